#pragma once
// quorvel --lsp: a language server for scenario scripts over stdin and stdout.
// The workspace folder is the scenario folder; the checker's findings for the
// open scripts and the scripts they reach are pushed as diagnostics, and labels
// can be followed, listed and renamed across the folder's scripts.
#include "authoring/lsp/open_documents.h"
#include "authoring/lsp/script_outline.h"
#include "authoring/message_channel.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace qvl::authoring {

class LspServer final {
public:
    LspServer(int in, int out);
    // Serves until the client says exit or closes the input; the exit code.
    int run();

private:
    using json = nlohmann::json;
    using Clock = std::chrono::steady_clock;

    void handle(const json& message);
    json request(const std::string& method, const json& params);
    void notification(const std::string& method, const json& params);

    json initialize(const json& params);
    void publishDiagnostics();
    json definition(const json& params);
    json references(const json& params, bool includeDeclaration);
    json rename(const json& params);
    json documentSymbols(const json& params);
    json workspaceSymbols(const json& params);
    json hover(const json& params);
    json completion(const json& params);

    // The label at a position: the script holding it and its definition's key
    // (or, for a jump to a missing label, the name the jump gives).
    struct LabelAt {
        std::filesystem::path file;
        std::string key;
        int line = 0;
        std::size_t begin = 0, end = 0;
        // The name under the cursor, on the cursor's line of the asking file.
        std::size_t hereBegin = 0, hereEnd = 0;
    };
    std::optional<LabelAt> labelAt(const json& params);
    std::optional<std::filesystem::path> targetOf(const LabelReference& r, const std::filesystem::path& from) const;

    MessageChannel channel_;
    std::unique_ptr<OpenDocuments> docs_;
    std::set<std::string> published_;  // URIs holding diagnostics
    std::optional<Clock::time_point> checkDue_;
    bool shutdown_ = false, exit_ = false;
};

}  // namespace qvl::authoring
