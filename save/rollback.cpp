#include "save/rollback.h"

namespace qvl {

namespace {

bool samePlace(const InterpreterState& a, const InterpreterState& b) {
    return a.ProgFileName == b.ProgFileName && a.ProgExecLine == b.ProgExecLine && a.ProgTextPos == b.ProgTextPos;
}

std::size_t textBytes(const std::string& s) {
    // Short texts live inside the string object itself.
    return s.capacity() > 15 ? s.capacity() + 1 : 0;
}

}  // namespace

void Rollback::record(const SavePointSnapshot& snapshot, const MessageLog& log, const Extras& extras) {
    const bool replace = resumed_ && !pages_.empty() && samePlace(pages_.back().snapshot.interpreter, snapshot.interpreter);
    resumed_ = false;
    if (replace) pages_.pop_back();
    pages_.push_back({snapshot, log, extras});
    pages_.back().log.viewActive = false;
    while (pages_.size() > kMaxPages) pages_.pop_front();
}

void Rollback::restart(const SavePointSnapshot& snapshot, const MessageLog& log, const Extras& extras) {
    pages_.clear();
    if (!snapshot.exists()) return;
    record(snapshot, log, extras);
    resumed_ = true;
}

std::optional<Rollback::Page> Rollback::goBack(int n) {
    if (n < 1 || n > available()) return std::nullopt;
    pages_.resize(pages_.size() - std::size_t(n));
    resumed_ = true;
    return pages_.back();
}

std::optional<int> Rollback::pagesBackToLogPage(int offset, const MessageLog& log) const {
    if (offset < 1 || offset >= kLogPages) return std::nullopt;
    // Each page clear opens the next log page, so the page a history entry began
    // is the log page current when it was recorded.
    const int wanted = ((log.LogCurrentPage - offset) % kLogPages + kLogPages) % kLogPages;
    for (int n = 1; n <= available() && n < kLogPages; ++n)
        if (pages_[pages_.size() - 1 - std::size_t(n)].log.LogCurrentPage == wanted) return n;
    return std::nullopt;
}

std::size_t Rollback::memoryBytes() const {
    std::size_t bytes = sizeof(*this);
    for (const Page& p : pages_) {
        bytes += sizeof(Page);
        const SavePointSnapshot& s = p.snapshot;
        for (const std::string& f : s.flags) bytes += textBytes(f);
        for (const std::string& o : s.OptionLabels) bytes += textBytes(o);
        for (const std::string& o : s.OptionCommands) bytes += textBytes(o);
        for (const SurfaceState& r : s.surfaces) bytes += textBytes(r.fileName) + textBytes(r.maskName);
        for (const std::string& a : s.interpreter.ProgArgs) bytes += textBytes(a);
        bytes += textBytes(s.ProgChapter) + textBytes(s.interpreter.ProgFileName) + textBytes(s.autoRefreshMode);
        for (const std::string& o : p.extras.options.OptionLabels) bytes += textBytes(o);
        for (const std::string& o : p.extras.options.OptionCommands) bytes += textBytes(o);
        for (const std::string& l : p.extras.choice.labels) bytes += textBytes(l) + sizeof l;
        bytes += p.extras.choice.items.capacity() * sizeof(Rect);
        for (const auto& page : p.log.pages) {
            bytes += page.capacity() * sizeof(std::string);
            for (const std::string& line : page) bytes += textBytes(line);
        }
    }
    return bytes;
}

}  // namespace qvl
