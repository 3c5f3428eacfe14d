#include "authoring/lsp/lsp_server.h"

#include "authoring/checker.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "script/command_help.h"
#include "script/command_table.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace qvl::authoring {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

// Checks wait until typing pauses this long.
constexpr int kCheckDelayMs = 300;

enum ErrorCode { kMethodNotFound = -32601, kInvalidParams = -32602, kNotInitialized = -32002 };
enum SymbolKind { kNamespace = 3, kFunction = 12 };
enum CompletionKind { kVariable = 6, kKeyword = 14, kFile = 17, kReference = 18 };

std::string pathToUri(const fs::path& p) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : p.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

fs::path uriToPath(const std::string& uri) {
    std::string s = uri.starts_with("file://") ? uri.substr(7) : uri;
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return fs::path(out);
}

json position(const std::vector<std::string>& lines, int line, std::size_t byte) {
    const std::string_view text =
        line >= 0 && std::size_t(line) < lines.size() ? std::string_view(lines[std::size_t(line)]) : std::string_view();
    return {{"line", line}, {"character", utf16Column(text, byte)}};
}

json range(const std::vector<std::string>& lines, int line, std::size_t begin, std::size_t end) {
    return {{"start", position(lines, line, begin)}, {"end", position(lines, line, end)}};
}

std::string lowered(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string extensionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : lowered(name.substr(dot));
}

// Which files an argument of this role names, by extension.
bool fitsRole(char role, const std::string& ext) {
    static const std::set<std::string> kPictures{".bmp", ".jpg", ".jpeg", ".mag", ".him", ".frl", ".png"};
    static const std::set<std::string> kSounds{".wav", ".mid", ".midi", ".mp3", ".ogg"};
    static const std::set<std::string> kMovies{".avi", ".mpg", ".mpeg", ".mp4", ".wmv"};
    switch (role) {
        case 'p':
        case 'k':
            return kPictures.contains(ext);
        case 's':
        case 'b':
            return kSounds.contains(ext);
        case 'm':
            return kMovies.contains(ext);
        case 'f':
            return ext == ".txt" || ext == ".txd";
        default:
            return false;
    }
}

bool wordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '@';
}

// Where the command of a line starts: after a condition "_(..)," or after an
// option's label and condition; npos for a line that holds none.
std::size_t commandStart(std::string_view line) {
    std::size_t at = 0;
    while (at < line.size() && static_cast<unsigned char>(line[at]) <= ' ') ++at;
    auto comma = [&](std::size_t from) {
        bool quoted = false;
        for (; from < line.size(); ++from) {
            if (line[from] == '"') quoted = !quoted;
            if (line[from] == ',' && !quoted) return from;
        }
        return std::string_view::npos;
    };
    if (at < line.size() && line[at] != '_') {
        // LABEL,CONDITION,COMMAND
        const std::size_t first = comma(at);
        const std::size_t second = first == std::string_view::npos ? first : comma(first + 1);
        if (second == std::string_view::npos) return std::string_view::npos;
        at = second + 1;
    }
    while (true) {
        while (at < line.size() && static_cast<unsigned char>(line[at]) <= ' ') ++at;
        if (line.substr(at, 2) != "_(") return at;
        const std::size_t c = comma(at);
        if (c == std::string_view::npos) return at;
        at = c + 1;
    }
}

std::string helpText(std::string_view word) {
    if (const CommandHelp* h = findCommandHelp(word)) {
        std::string text = "```\n" + std::string(h->usage) + "\n```\n" + std::string(h->summary);
        if (const CommandInfo* info = findCommand(word)) {
            const std::string range = info->minArgs == info->maxArgs
                                          ? std::to_string(info->minArgs)
                                          : std::to_string(info->minArgs) + "-" + std::to_string(info->maxArgs);
            text += "\n\nArguments: " + range + ".";
        }
        return text;
    }
    if (word.starts_with("_$flg")) return "```\n_$flg[N]=EXPRESSION\n```\nSets flag N to the value of the expression.";
    if (word.starts_with("_@flg"))
        return "```\n_@flg[N]=TEXT\n```\nSets flag N to a text, or to the text of @flg[M] when TEXT is one.";
    if (word == "_endthen" || word == "_endelse" || word == "_endsel" || word == "_endbranch" || word == "_endscroll")
        return "```\n" + std::string(word) + "\n```\nEnds the block the matching command opened.";
    return {};
}

}  // namespace

LspServer::LspServer(int in, int out) : channel_(in, out) {}

int LspServer::run() {
    while (!exit_) {
        int wait = -1;
        if (checkDue_)
            wait = int(std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(*checkDue_ - Clock::now()).count()));
        if (auto message = channel_.read(wait)) handle(*message);
        if (channel_.closed() && !exit_) return shutdown_ ? 0 : 1;
        if (checkDue_ && Clock::now() >= *checkDue_) {
            checkDue_.reset();
            publishDiagnostics();
        }
    }
    return shutdown_ ? 0 : 1;
}

void LspServer::handle(const json& message) {
    const std::string method = message.value("method", "");
    const json params = message.contains("params") ? message["params"] : json::object();
    if (!message.contains("id")) {
        try {
            if (!method.empty()) notification(method, params);
        } catch (const std::exception&) {
            // A malformed notification has no one to answer: it is dropped.
        }
        return;  // responses to requests we never make
    }
    json reply{{"jsonrpc", "2.0"}, {"id", message["id"]}};
    try {
        if (!docs_ && method != "initialize") {
            reply["error"] = {{"code", kNotInitialized}, {"message", "initialize first"}};
        } else {
            json result = request(method, params);
            if (result.is_object() && result.contains("__error"))
                reply["error"] = result["__error"];
            else
                reply["result"] = result;
        }
    } catch (const std::exception& e) {
        reply["error"] = {{"code", kInvalidParams}, {"message", e.what()}};
    }
    channel_.write(reply);
}

json LspServer::request(const std::string& method, const json& params) {
    if (method == "initialize") return initialize(params);
    if (method == "shutdown") {
        shutdown_ = true;
        return nullptr;
    }
    if (method == "textDocument/definition") return definition(params);
    if (method == "textDocument/references")
        return references(params, params.value("context", json::object()).value("includeDeclaration", true));
    if (method == "textDocument/rename") return rename(params);
    if (method == "textDocument/prepareRename") {
        const std::optional<LabelAt> at = labelAt(params);
        if (!at || at->line < 0) return nullptr;
        const std::vector<std::string> lines = docs_->lines(uriToPath(params["textDocument"]["uri"]));
        const int line = params["position"]["line"];
        const std::string& text = lines[std::size_t(line)];
        return {{"range", range(lines, line, at->hereBegin, at->hereEnd)},
                {"placeholder", text.substr(at->hereBegin, at->hereEnd - at->hereBegin)}};
    }
    if (method == "textDocument/documentSymbol") return documentSymbols(params);
    if (method == "workspace/symbol") return workspaceSymbols(params);
    if (method == "textDocument/hover") return hover(params);
    if (method == "textDocument/completion") return completion(params);
    return {{"__error", {{"code", kMethodNotFound}, {"message", "not served: " + method}}}};
}

void LspServer::notification(const std::string& method, const json& params) {
    if (method == "exit") {
        exit_ = true;
        return;
    }
    if (!docs_) return;
    if (method == "textDocument/didOpen") {
        const json& doc = params["textDocument"];
        docs_->open(uriToPath(doc["uri"]), doc["text"]);
        checkDue_ = Clock::now();
    } else if (method == "textDocument/didChange") {
        // Whole-text changes: the last one is the text.
        const json& changes = params["contentChanges"];
        if (!changes.empty() && changes.back().contains("text"))
            docs_->open(uriToPath(params["textDocument"]["uri"]), changes.back()["text"]);
        checkDue_ = Clock::now() + std::chrono::milliseconds(kCheckDelayMs);
    } else if (method == "textDocument/didClose") {
        docs_->close(uriToPath(params["textDocument"]["uri"]));
        checkDue_ = Clock::now();
    } else if (method == "textDocument/didSave" || method == "workspace/didChangeWatchedFiles") {
        checkDue_ = Clock::now();
    }
}

json LspServer::initialize(const json& params) {
    fs::path root;
    if (params.contains("rootUri") && params["rootUri"].is_string())
        root = uriToPath(params["rootUri"]);
    else if (params.contains("rootPath") && params["rootPath"].is_string())
        root = params["rootPath"].get<std::string>();
    else if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
             !params["workspaceFolders"].empty())
        root = uriToPath(params["workspaceFolders"][0]["uri"]);
    if (root.empty()) root = fs::current_path();
    // The checker and the loader find scripts from the current folder, as a run does.
    platform::FileSystem::setCurrentPath(root);
    docs_ = std::make_unique<OpenDocuments>(OpenDocuments::key(root));
    return {{"capabilities",
             {{"positionEncoding", "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
              {"definitionProvider", true},
              {"referencesProvider", true},
              {"renameProvider", {{"prepareProvider", true}}},
              {"documentSymbolProvider", true},
              {"workspaceSymbolProvider", true},
              {"hoverProvider", true},
              {"completionProvider", {{"triggerCharacters", {"_", ":", "$", "@", ",", " "}}}}}},
            {"serverInfo", {{"name", "quorvel"}}}};
}

void LspServer::publishDiagnostics() {
    std::map<std::string, json> byUri;
    std::map<std::string, std::vector<std::string>> texts;  // read once per file
    std::set<std::string> seen;
    for (const fs::path& file : docs_->openFiles()) byUri[pathToUri(file)] = json::array();
    for (const fs::path& file : docs_->openFiles()) {
        const std::string name = platform::utf8ToSjis(docs_->scriptName(file));
        for (const Finding& f : checkScenario(*docs_, name)) {
            const std::optional<fs::path> where = docs_->resolve(f.file);
            if (!where) continue;
            const std::string uri = pathToUri(*where);
            const std::string id = uri + "\n" + std::to_string(f.line) + "\n" + f.kind + "\n" + f.message;
            if (!seen.insert(id).second) continue;
            auto cached = texts.find(uri);
            if (cached == texts.end()) cached = texts.emplace(uri, docs_->lines(*where)).first;
            const std::vector<std::string>& lines = cached->second;
            const int line = std::max(0, f.line - 1);
            const std::size_t width = std::size_t(line) < lines.size() ? lines[std::size_t(line)].size() : 0;
            json& list = byUri[uri];
            if (!list.is_array()) list = json::array();
            list.push_back({{"range", range(lines, line, 0, width)},
                            {"severity", f.hint ? 2 : 1},
                            {"code", f.kind},
                            {"source", "quorvel"},
                            {"message", f.message}});
        }
    }
    for (const std::string& uri : published_)
        if (!byUri.contains(uri)) byUri[uri] = json::array();
    published_.clear();
    for (auto& [uri, list] : byUri) {
        if (!list.empty()) published_.insert(uri);
        channel_.write({{"jsonrpc", "2.0"},
                        {"method", "textDocument/publishDiagnostics"},
                        {"params", {{"uri", uri}, {"diagnostics", list}}}});
    }
}

std::optional<fs::path> LspServer::targetOf(const LabelReference& r, const fs::path& from) const {
    if (r.file.empty()) return fs::path(OpenDocuments::key(from));
    return docs_->resolve(r.file);
}

std::optional<LspServer::LabelAt> LspServer::labelAt(const json& params) {
    const fs::path file = OpenDocuments::key(uriToPath(params["textDocument"]["uri"]));
    const int line = params["position"]["line"];
    const std::vector<std::string> lines = docs_->lines(file);
    if (line < 0 || std::size_t(line) >= lines.size()) return std::nullopt;
    const std::size_t col = byteColumn(lines[std::size_t(line)], params["position"]["character"]);
    const ScriptOutline outline = outlineScript(lines);
    for (const LabelDefinition& d : outline.labels)
        if (d.line == line && col + 1 >= d.begin && col <= d.end)
            return LabelAt{file, d.key, d.line, d.begin, d.end, d.begin, d.end};
    for (const LabelReference& r : outline.references) {
        if (r.line != line || col < r.begin || col > r.end) continue;
        const std::optional<fs::path> target = targetOf(r, file);
        if (!target) return std::nullopt;
        const std::size_t nameBegin = r.begin + (r.label.starts_with(':') ? 1 : 0);
        const ScriptOutline there = outlineScript(docs_->lines(*target));
        if (const LabelDefinition* d = there.findLabel(r.label))
            return LabelAt{*target, d->key, d->line, d->begin, d->end, nameBegin, r.end};
        return LabelAt{*target, r.label, -1, 0, 0, nameBegin, r.end};
    }
    return std::nullopt;
}

json LspServer::definition(const json& params) {
    const std::optional<LabelAt> at = labelAt(params);
    if (!at || at->line < 0) return nullptr;
    const std::vector<std::string> lines = docs_->lines(at->file);
    return {{"uri", pathToUri(at->file)}, {"range", range(lines, at->line, at->begin - 1, at->end)}};
}

json LspServer::references(const json& params, bool includeDeclaration) {
    json out = json::array();
    const std::optional<LabelAt> at = labelAt(params);
    if (!at) return out;
    if (includeDeclaration && at->line >= 0)
        out.push_back(
            {{"uri", pathToUri(at->file)}, {"range", range(docs_->lines(at->file), at->line, at->begin - 1, at->end)}});
    const ScriptOutline targetOutline = outlineScript(docs_->lines(at->file));
    for (const fs::path& file : docs_->scripts()) {
        const std::vector<std::string> lines = docs_->lines(file);
        for (const LabelReference& r : outlineScript(lines).references) {
            const std::optional<fs::path> target = targetOf(r, file);
            if (!target || OpenDocuments::key(*target) != OpenDocuments::key(at->file)) continue;
            const LabelDefinition* d = targetOutline.findLabel(r.label);
            const bool same = d ? d->line == at->line : at->line < 0 && sameLabel(r.label, at->key);
            if (same) out.push_back({{"uri", pathToUri(file)}, {"range", range(lines, r.line, r.begin, r.end)}});
        }
    }
    return out;
}

json LspServer::rename(const json& params) {
    std::string name = params["newName"];
    if (name.starts_with(':')) name.erase(0, 1);
    const bool usable = !name.empty() && name.find_first_of(",\" \t\r\n") == std::string::npos;
    if (!usable)
        return {{"__error", {{"code", kInvalidParams}, {"message", "a label name without blanks, commas or quotes"}}}};
    const std::optional<LabelAt> at = labelAt(params);
    if (!at || at->line < 0) return {{"__error", {{"code", kInvalidParams}, {"message", "no label here"}}}};
    json changes = json::object();
    json refs = references(params, false);
    auto edit = [&](const std::string& uri, const json& where, const std::string& text) {
        if (!changes.contains(uri)) changes[uri] = json::array();
        changes[uri].push_back({{"range", where}, {"newText", text}});
    };
    const std::vector<std::string> lines = docs_->lines(at->file);
    edit(pathToUri(at->file), range(lines, at->line, at->begin, at->end), name);
    for (const json& r : refs) edit(r["uri"], r["range"], ":" + name);
    return {{"changes", changes}};
}

json LspServer::documentSymbols(const json& params) {
    const fs::path file = OpenDocuments::key(uriToPath(params["textDocument"]["uri"]));
    const std::vector<std::string> lines = docs_->lines(file);
    const ScriptOutline outline = outlineScript(lines);
    json out = json::array();
    auto symbol = [&](const std::string& name, int kind, int line) {
        const json whole = range(lines, line, 0, lines[std::size_t(line)].size());
        out.push_back({{"name", name.empty() ? std::string("(empty)") : name},
                       {"kind", kind},
                       {"range", whole},
                       {"selectionRange", whole}});
    };
    for (const LabelDefinition& d : outline.labels) symbol(d.key.substr(0, d.end - d.begin + 1), kFunction, d.line);
    for (const ChapterLine& c : outline.chapters) symbol("!" + c.title, kNamespace, c.line);
    std::sort(out.begin(), out.end(),
              [](const json& a, const json& b) { return a["range"]["start"]["line"] < b["range"]["start"]["line"]; });
    return out;
}

json LspServer::workspaceSymbols(const json& params) {
    const std::string query = lowered(params.value("query", ""));
    json out = json::array();
    for (const fs::path& file : docs_->scripts()) {
        const std::vector<std::string> lines = docs_->lines(file);
        const ScriptOutline outline = outlineScript(lines);
        auto add = [&](const std::string& name, int kind, int line) {
            if (!query.empty() && lowered(name).find(query) == std::string::npos) return;
            out.push_back({{"name", name},
                           {"kind", kind},
                           {"location", {{"uri", pathToUri(file)}, {"range", range(lines, line, 0, 0)}}},
                           {"containerName", docs_->scriptName(file)}});
        };
        for (const LabelDefinition& d : outline.labels) add(d.key.substr(0, d.end - d.begin + 1), kFunction, d.line);
        for (const ChapterLine& c : outline.chapters) add("!" + c.title, kNamespace, c.line);
    }
    return out;
}

json LspServer::hover(const json& params) {
    const fs::path file = OpenDocuments::key(uriToPath(params["textDocument"]["uri"]));
    const std::vector<std::string> lines = docs_->lines(file);
    const int line = params["position"]["line"];
    if (line < 0 || std::size_t(line) >= lines.size()) return nullptr;
    const std::string& text = lines[std::size_t(line)];
    const std::size_t col = byteColumn(text, params["position"]["character"]);
    std::size_t begin = col, end = col;
    while (begin > 0 && wordChar(text[begin - 1])) --begin;
    while (end < text.size() && wordChar(text[end])) ++end;
    if (begin >= text.size() || text[begin] != '_') return nullptr;
    const std::string help = helpText(std::string_view(text).substr(begin, end - begin));
    if (help.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", help}}}, {"range", range(lines, line, begin, end)}};
}

json LspServer::completion(const json& params) {
    const fs::path file = OpenDocuments::key(uriToPath(params["textDocument"]["uri"]));
    const std::vector<std::string> lines = docs_->lines(file);
    const int line = params["position"]["line"];
    json items = json::array();
    if (line < 0 || std::size_t(line) >= lines.size()) return items;
    const std::string& text = lines[std::size_t(line)];
    const std::size_t col = byteColumn(text, params["position"]["character"]);
    std::size_t wordBegin = col;
    while (wordBegin > 0 && (wordChar(text[wordBegin - 1]) || text[wordBegin - 1] == ':' ||
                             text[wordBegin - 1] == '.' || text[wordBegin - 1] == '\\'))
        --wordBegin;
    const json replace = range(lines, line, wordBegin, col);
    auto item = [&](const std::string& label, int kind, const std::string& detail, const std::string& insert) {
        items.push_back({{"label", label},
                         {"kind", kind},
                         {"detail", detail},
                         {"filterText", insert},
                         {"textEdit", {{"range", replace}, {"newText", insert}}}});
    };
    const std::string_view word = std::string_view(text).substr(wordBegin, col - wordBegin);

    // $flg[ / $sys[ / @flg[ inside expressions and flag arguments.
    if (word.starts_with('$') || word.starts_with('@') || word.starts_with("_$") || word.starts_with("_@")) {
        const std::string lead = word.starts_with('_') ? "_" : "";
        item(lead + "$flg[", kVariable, "a flag read as a number (0-511)", lead + "$flg[");
        item(lead + "@flg[", kVariable, "a flag read as text (0-511)", lead + "@flg[");
        if (lead.empty()) item("$sys[", kVariable, "a system value (0-63)", "$sys[");
        return items;
    }
    const std::size_t start = commandStart(text);
    if (start == std::string::npos || start > col) return items;
    std::size_t space = text.find(' ', start);
    if (space == std::string::npos || space >= col) {
        // The command word itself.
        if (!word.starts_with('_') && !word.empty()) return items;
        for (const CommandInfo& c : commandTable()) {
            const CommandHelp* h = findCommandHelp(c.word);
            items.push_back({{"label", std::string(c.word)},
                             {"kind", kKeyword},
                             {"detail", h ? std::string(h->usage) : std::string()},
                             {"documentation", h ? std::string(h->summary) : std::string()},
                             {"textEdit", {{"range", replace}, {"newText", std::string(c.word)}}}});
        }
        for (const char* marker : {"_endthen", "_endelse", "_endsel", "_endbranch", "_endscroll"})
            item(marker, kKeyword, "ends a block", marker);
        return items;
    }
    // An argument: which one, counting commas outside quotes.
    const std::string command = text.substr(start, space - start);
    int index = 0;
    bool quoted = false;
    std::size_t argBegin = space + 1;
    for (std::size_t i = space + 1; i < col; ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (text[i] == ',' && !quoted) ++index, argBegin = i + 1;
    }
    while (argBegin < col && (text[argBegin] == ' ' || text[argBegin] == '"')) ++argBegin;
    const json argRange = range(lines, line, argBegin, col);
    auto argItem = [&](const std::string& label, int kind, const std::string& detail, const std::string& insert) {
        items.push_back({{"label", label},
                         {"kind", kind},
                         {"detail", detail},
                         {"filterText", insert},
                         {"textEdit", {{"range", argRange}, {"newText", insert}}}});
    };
    const bool jump = command == "_goto" || command == "_gosub" || command == "_return";
    if (jump && index == 0) {
        for (const LabelDefinition& d : outlineScript(lines).labels)
            argItem(d.key.substr(0, d.end - d.begin + 1), kReference, "label, line " + std::to_string(d.line + 1),
                    d.key.substr(0, d.end - d.begin + 1));
        if (command == "_goto")
            for (const fs::path& other : docs_->scripts()) {
                if (OpenDocuments::key(other) == OpenDocuments::key(file)) continue;
                const std::string name = docs_->scriptName(other);
                for (const LabelDefinition& d : outlineScript(docs_->lines(other)).labels) {
                    const std::string label = d.key.substr(0, d.end - d.begin + 1);
                    argItem(label + "," + name, kReference, "label in " + name, label + "," + name);
                }
            }
        return items;
    }
    const CommandInfo* info = findCommand(command);
    if (!info || index >= int(info->roles.size())) return items;
    const char role = info->roles[std::size_t(index)];
    for (const std::string& name : docs_->folderFiles()) {
        if (!fitsRole(role, extensionOf(name))) continue;
        // _bgmplay names music without its extension.
        const std::string insert = role == 'b' ? name.substr(0, name.rfind('.')) : name;
        argItem(insert, kFile, name, insert);
    }
    if (role == 'e' || role == 'x') {
        argItem("$flg[", kVariable, "a flag read as a number (0-511)", "$flg[");
        argItem("$sys[", kVariable, "a system value (0-63)", "$sys[");
    }
    return items;
}

}  // namespace qvl::authoring
