#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/events/run_events.h"
#include "engine/lines/line_texts.h"

namespace trackfold {

// How a file of the plan stands out: anything but a plain copy or move is worth a look.
enum class PlanMark { Plain, Numbered, Replaced, AlreadyThere, Failed, LeftOut };

// One folder or file of a preview's plan, as the output folder would hold it.
struct PlanNode {
    std::string name;
    bool folder = false;
    PlanNode* parent = nullptr;
    std::size_t row = 0;    // its place among its parent's children
    std::size_t files = 0;  // a folder: the files anywhere below it; a file: 1
    std::string action;     // a file: what the run would do, as the log's column says it
    ActionWord word = ActionWord::None;  // the same as a value, for a window's own language
    PlanMark mark = PlanMark::Plain;
    std::string source;  // a file: where it comes from
    std::string reason;  // a file that fails: why; one placed by a judged code page: which
    // Folders first, then files, each in name order, once the plan is finished.
    std::vector<std::unique_ptr<PlanNode>> children;
};

// The plan of a preview as a tree of the output folder, made from the run's events. Files the
// run could not place hang below one "Not placed" folder at the end, by their sources' names,
// and the files and folders it leaves out by their names below one "Left out" folder after it,
// which the tree's count of files leaves out too.
class PlanTree {
  public:
    // The output folder, ending in the separator: targets are shown relative to it.
    explicit PlanTree(std::string output);

    void add(const RunEvent& event);
    // Puts every folder's children in order; the tree is not added to afterwards.
    void finish();

    const PlanNode& root() const { return root_; }
    std::size_t files() const { return root_.files; }

    static constexpr const char* kNotPlaced = "Not placed";
    static constexpr const char* kLeftOut = "Left out";
    // Whether `node` is the folder of the files not placed, whatever its name says.
    bool is_not_placed(const PlanNode& node) const { return &node == not_placed_; }
    bool is_left_out(const PlanNode& node) const { return &node == left_out_; }

  private:
    PlanNode& folder_at(const std::string& relative_folder);
    // The node of the files not placed: held apart, so no folder of the output, whatever its
    // name, is ever taken for it.
    PlanNode& not_placed();
    PlanNode& left_out();
    void add_file(PlanNode& folder, std::unique_ptr<PlanNode> file);

    std::string output_;
    PlanNode root_;
    std::unordered_map<std::string, PlanNode*> folders_;
    PlanNode* not_placed_ = nullptr;
    PlanNode* left_out_ = nullptr;
};

}  // namespace trackfold
