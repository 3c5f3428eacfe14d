#pragma once
// The run's transcript as the debug adapter's output events: a stream buffer
// that hands every finished line on by itself.
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

namespace qvl::authoring {

class OutputEvents final : public std::streambuf {
public:
    explicit OutputEvents(std::function<void(const std::string&)> emit) : emit_(std::move(emit)) {}

private:
    int overflow(int c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    void send();

    std::function<void(const std::string&)> emit_;
    std::string line_;
};

}  // namespace qvl::authoring
