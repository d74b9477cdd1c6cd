#include "engine/naming/disc_number.h"

#include <algorithm>

#include "util/case_fold.h"
#include "util/text.h"

namespace trackfold {

namespace {

// More discs than any set has: a larger number is a broken or hostile tag.
constexpr int kMostDiscs = 999;

// The number at the start of text, after spaces; -1 for none or one too large.
int leading_number(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    int number = -1;
    while (!text.empty() && is_ascii_digit(text.front())) {
        number = (number < 0 ? 0 : number) * 10 + (text.front() - '0');
        text.remove_prefix(1);
        if (number > kMostDiscs) {
            return -1;
        }
    }
    return number;
}

}  // namespace

SetNumber parse_set_number(std::string_view text) {
    const int number = leading_number(text);
    if (number <= 0) {
        return {};
    }
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    int total = 0;
    if (!text.empty() && text.front() == '/') {
        text.remove_prefix(1);
        total = std::max(leading_number(text), 0);
    }
    return {number, total};
}

int disc_of_folder_name(std::string_view name) {
    const std::string folded = fold_case(name);
    std::string_view rest = folded;
    for (const std::string_view word : {"cd", "disc", "disk"}) {
        if (rest.starts_with(word)) {
            rest.remove_prefix(word.size());
            const int number = leading_number(rest);
            return rest.empty() && number > 0 ? number : 0;
        }
    }
    return 0;
}

int disc_folder(const DiscFacts& facts) {
    const SetNumber& tag = facts.tag;
    if (tag.number <= 0) {
        return 0;
    }
    if (tag.total > 1 || tag.number > 1 || facts.set_differs || facts.folder_disc == 1) {
        return tag.number;
    }
    return 0;
}

std::string year_of(std::string_view date) {
    if (date.size() >= 4 && is_ascii_digit(date[0]) && is_ascii_digit(date[1]) &&
        is_ascii_digit(date[2]) && is_ascii_digit(date[3]) &&
        (date.size() == 4 || !is_ascii_digit(date[4]))) {
        return std::string(date.substr(0, 4));
    }
    return std::string(date);
}

}  // namespace trackfold
