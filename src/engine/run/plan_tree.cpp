#include "engine/run/plan_tree.h"

#include <algorithm>

#include "engine/fsio/path.h"
#include "engine/lines/line_texts.h"

namespace trackfold {

namespace {

// The folder above a folder the tree knows by its path relative to the output: "" for the top.
std::string folder_above(const std::string& relative) {
    std::string above = parent_folder(relative);
    if (!above.empty()) {
        above.pop_back();
    }
    return above;
}

void sort_children(PlanNode& node) {
    std::sort(node.children.begin(), node.children.end(), [](const auto& a, const auto& b) {
        return a->folder != b->folder ? a->folder : a->name < b->name;
    });
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        node.children[i]->row = i;
        if (node.children[i]->folder) {
            sort_children(*node.children[i]);
        }
    }
}

PlanMark mark_of(const FilePlaced& placed) {
    if (placed.source_fate == SourceFate::Stuck) {
        return PlanMark::Failed;
    }
    switch (placed.action) {
        case PlaceAction::Numbered:
            return PlanMark::Numbered;
        case PlaceAction::Replaced:
            return PlanMark::Replaced;
        case PlaceAction::AlreadyThere:
            return PlanMark::AlreadyThere;
        default:
            return PlanMark::Plain;
    }
}

}  // namespace

PlanTree::PlanTree(std::string output) : output_(std::move(output)) {
    root_.folder = true;
    root_.name = output_;
    folders_[""] = &root_;
}

PlanNode& PlanTree::folder_at(const std::string& relative_folder) {
    if (const auto found = folders_.find(relative_folder); found != folders_.end()) {
        return *found->second;
    }
    PlanNode& parent = folder_at(folder_above(relative_folder));
    auto node = std::make_unique<PlanNode>();
    node->name = last_name(relative_folder);
    node->folder = true;
    node->parent = &parent;
    PlanNode* made = parent.children.emplace_back(std::move(node)).get();
    folders_[relative_folder] = made;
    return *made;
}

namespace {

PlanNode& held_apart(PlanNode*& held, PlanNode& root, const char* name) {
    if (held == nullptr) {
        auto node = std::make_unique<PlanNode>();
        node->name = name;
        node->folder = true;
        node->parent = &root;
        held = root.children.emplace_back(std::move(node)).get();
    }
    return *held;
}

}  // namespace

PlanNode& PlanTree::not_placed() {
    return held_apart(not_placed_, root_, kNotPlaced);
}

PlanNode& PlanTree::left_out() {
    return held_apart(left_out_, root_, kLeftOut);
}

void PlanTree::add_file(PlanNode& folder, std::unique_ptr<PlanNode> file) {
    file->parent = &folder;
    file->files = 1;
    folder.children.push_back(std::move(file));
    for (PlanNode* above = &folder; above != nullptr; above = above->parent) {
        ++above->files;
        if (above == left_out_) {
            break;  // what is left out is no file of the run's
        }
    }
}

void PlanTree::add(const RunEvent& event) {
    auto file = std::make_unique<PlanNode>();
    file->action = action_text(event);
    file->word = action_word(event);
    file->mark = PlanMark::Failed;
    if (const auto* placed = std::get_if<FilePlaced>(&event)) {
        std::string relative = placed->target;
        if (relative.compare(0, output_.size(), output_) == 0) {
            relative.erase(0, output_.size());
        }
        file->name = last_name(relative);
        file->source = placed->source;
        file->mark = mark_of(*placed);
        if (!placed->code_page.empty()) {
            file->reason = "Code page: " + placed->code_page;  // as its log line notes it
        }
        add_file(folder_at(folder_above(relative)), std::move(file));
    } else if (const auto* failed = std::get_if<FileFailed>(&event)) {
        file->name = last_name(failed->source);
        file->source = failed->source;
        file->reason = failed->reason;
        add_file(not_placed(), std::move(file));
    } else if (const auto* folder_failed = std::get_if<FolderFailed>(&event)) {
        file->name = last_name(folder_failed->folder);
        file->source = folder_failed->folder;
        file->reason = folder_failed->reason;
        add_file(not_placed(), std::move(file));
    } else if (const auto* name = std::get_if<NameLeftOut>(&event)) {
        file->name = last_name(name->path);
        file->source = name->path;
        file->reason = log_line(event);
        file->mark = PlanMark::LeftOut;
        add_file(left_out(), std::move(file));
    }
}

void PlanTree::finish() {
    sort_children(root_);
    // "Not placed" and "Left out" go last, after the output's own folders.
    auto& children = root_.children;
    for (const PlanNode* last : {not_placed_, left_out_}) {
        const auto at = std::find_if(children.begin(), children.end(),
                                     [&](const auto& child) { return child.get() == last; });
        if (at != children.end()) {
            std::rotate(at, at + 1, children.end());
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        children[i]->row = i;
    }
}

}  // namespace trackfold
