#include "authoring/explorer_platform.h"

#include "platform/encoding.h"

namespace qvl::authoring {

namespace {
platform::HeadlessOptions patientReader() {
    platform::HeadlessOptions o;
    o.autoPlay = true;
    return o;
}
}  // namespace

ExplorerPlatform::ExplorerPlatform(std::vector<int> path, int maxChoices)
    : inner_({}, patientReader()), path_(std::move(path)), maxChoices_(maxChoices) {}

std::optional<platform::Event> ExplorerPlatform::waitEvent(std::optional<uint32_t> deadline,
                                                           const platform::WaitHint& hint) {
    if (hint.kind != platform::WaitKind::Choice || !choices_ || !choices_->waiting())
        return inner_.waitEvent(deadline, hint);
    if (int(met_.size()) >= maxChoices_) {
        limitReached_ = true;
        throw platform::RunStopped(platform::RunStopped::Reason::TimeLimit, "choice limit reached");
    }
    const ChoiceRecord& shown = choices_->last();
    ChoiceMet c;
    for (const std::string& label : shown.labels) c.labels.push_back(platform::sjisToUtf8(label));
    c.selectable = shown.selectable;
    const std::size_t k = met_.size();
    int take = k < path_.size() ? path_[k] : hint.autoChoice;
    if (take < 0 || std::size_t(take) >= c.selectable.size() || !c.selectable[std::size_t(take)]) take = hint.autoChoice;
    // Nothing can be taken: the reader is stuck, and so is the run.
    if (take < 0) return inner_.waitEvent(deadline, hint);
    c.taken = take;
    if (stateKey_) c.stateKey = stateKey_();
    if (k >= path_.size())
        for (const ChoiceMet& before : met_)
            if (before.taken == take && before.stateKey == c.stateKey) {
                loopFound_ = true;
                loopKey_ = c.stateKey;
                throw platform::RunStopped(platform::RunStopped::Reason::TimeLimit, "loop found");
            }
    met_.push_back(std::move(c));
    platform::Event e;
    e.type = platform::Event::Type::Choose;
    e.id = take;
    return e;
}

}  // namespace qvl::authoring
