#include "ui/file_chooser.h"

#include "base/sjis.h"
#include "platform/encoding.h"
#include "ui/dialog.h"
#include "ui/edit_field.h"
#include "ui/file_filter.h"
#include "ui/label.h"
#include "ui/list_box.h"
#include "ui/message_box.h"
#include "ui/theme.h"
#include "ui/ui_strings.h"

#include <algorithm>
#include <system_error>

namespace qvl::ui {

namespace fs = std::filesystem;
using platform::Answer;

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 296;
constexpr int kPad = 8;
constexpr int kFieldX = 104;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

struct Entry {
    enum class Kind { Parent, Folder, File } kind;
    fs::path path;        // the real name on disk
    std::string display;  // Shift-JIS
    std::string sortKey;  // the Shift-JIS name, lower case
};

// Paths too wide for the folder line keep their end, where the folder's own name is.
std::string fitPathTail(platform::FontEngine& fonts, std::string_view sjis, int maxWidth) {
    auto font = uiFont();
    if (fonts.measureText(sjis, font) <= maxWidth) return std::string(sjis);
    for (std::size_t i = 0; i < sjis.size(); i += sjis::charLength(sjis, i)) {
        std::string candidate = "..." + std::string(sjis.substr(i));
        if (fonts.measureText(candidate, font) <= maxWidth) return candidate;
    }
    return "...";
}

class FileChooserDialog : public Dialog {
public:
    FileChooserDialog(const FileChooserOptions& options, platform::FontEngine& fonts)
        : Dialog(options.title, kWidth, kHeight),
          options_(options),
          fonts_(fonts),
          filters_(parseFileFilter(options.filter)) {
        int cw = clientRect().w;
        int fieldWidth = cw - kFieldX - 2 * kPad - kButtonWidth;
        add<Label>(place(kPad, 10, kFieldX - kPad, kUiLineHeight), uiText(UiText::LookIn));
        folder_ = &add<Label>(place(kFieldX, 10, cw - kFieldX - kPad, kUiLineHeight), "");
        list_ = &add<ListBox>(place(kPad, 30, cw - 2 * kPad, 170));
        add<Label>(place(kPad, 214, kFieldX - kPad, kUiLineHeight), uiText(UiText::FileName));
        name_ = &add<EditField>(place(kFieldX, 210, fieldWidth, 21));
        auto& ok = add<Button>(place(cw - kPad - kButtonWidth, 209, kButtonWidth, kButtonHeight),
                               uiText(UiText::Ok));
        add<Label>(place(kPad, 243, kFieldX - kPad, kUiLineHeight), uiText(UiText::FileType));
        filterButton_ = &add<Button>(place(kFieldX, 238, fieldWidth, kButtonHeight), filters_[0].description);
        auto& cancel = add<Button>(place(cw - kPad - kButtonWidth, 238, kButtonWidth, kButtonHeight),
                                   uiText(UiText::Cancel));

        ok.setDefault(true);
        cancel.setCancel(true);
        ok.onClick = [this] { accept(); };
        cancel.onClick = [this] { close(Answer::Cancel); };
        filterButton_->onClick = [this] { nextFilter(); };
        list_->onSelect = [this](int row) { selected(row); };
        list_->onActivate = [this](int row) { activated(row); };
        name_->setText(options.initialName);
        setFocus(name_);
        refresh();
    }

    std::optional<fs::path> result;

protected:
    bool onText(const platform::Event& event) override {
        // Typing always goes to the name, wherever the focus is.
        setFocus(name_);
        return name_->handle(event);
    }

private:
    void refresh();
    void enterFolder(const fs::path& folder);
    void selected(int row);
    void activated(int row);
    void accept();
    void nextFilter() {
        filterIndex_ = (filterIndex_ + 1) % filters_.size();
        filterButton_->setCaption(filters_[filterIndex_].description);
        refresh();
    }

    const FileChooserOptions& options_;
    platform::FontEngine& fonts_;
    std::vector<FileFilter> filters_;
    std::size_t filterIndex_ = 0;
    std::vector<Entry> entries_;
    Label* folder_ = nullptr;
    ListBox* list_ = nullptr;
    EditField* name_ = nullptr;
    Button* filterButton_ = nullptr;
};

void FileChooserDialog::refresh() {
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    folder_->setText(fitPathTail(fonts_, platform::utf8ToSjis(cwd.string()), folder_->rect().w));
    entries_.clear();
    if (!ec && cwd.has_relative_path()) entries_.push_back({Entry::Kind::Parent, "..", "..", ""});
    std::vector<Entry> folders, files;
    if (!ec) {
        fs::directory_iterator it(cwd, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::string utf8 = it->path().filename().string();
            if (utf8.empty() || utf8[0] == '.') continue;  // hidden on this side of the world
            std::string sjis = platform::utf8ToSjis(utf8);
            std::error_code typeError;
            if (it->is_directory(typeError)) {
                folders.push_back(
                    {Entry::Kind::Folder, it->path().filename(), "[" + sjis + "]", sjis::toLower(sjis)});
            } else if (!typeError && matchesFilter(sjis, filters_[filterIndex_])) {
                files.push_back({Entry::Kind::File, it->path().filename(), sjis, sjis::toLower(sjis)});
            }
        }
    }
    auto byName = [](const Entry& a, const Entry& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.display < b.display;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    entries_.insert(entries_.end(), folders.begin(), folders.end());
    entries_.insert(entries_.end(), files.begin(), files.end());
    std::vector<std::string> rows;
    rows.reserve(entries_.size());
    for (const auto& e : entries_) rows.push_back(e.display);
    list_->setRows(std::move(rows));
}

void FileChooserDialog::enterFolder(const fs::path& folder) {
    std::error_code ec;
    fs::current_path(folder, ec);
    if (ec) {
        host().platform().beep();
        return;
    }
    refresh();
}

void FileChooserDialog::selected(int row) {
    if (row < 0 || row >= int(entries_.size())) return;
    if (entries_[row].kind == Entry::Kind::File) name_->setText(entries_[row].display);
}

void FileChooserDialog::activated(int row) {
    if (row < 0 || row >= int(entries_.size())) return;
    // Copy: entering the folder rebuilds the entries.
    Entry entry = entries_[row];
    if (entry.kind == Entry::Kind::File) {
        name_->setText(entry.display);
        accept();
    } else {
        enterFolder(entry.path);
    }
}

void FileChooserDialog::accept() {
    std::string name = name_->text();
    if (name.empty()) {
        int row = list_->selected();
        if (row >= 0 && entries_[row].kind != Entry::Kind::File) activated(row);
        return;
    }
    auto toPath = [](const std::string& sjis) {
        std::string utf8 = platform::sjisToUtf8(sjis);
        std::replace(utf8.begin(), utf8.end(), '\\', '/');
        std::error_code ec;
        return fs::current_path(ec) / fs::path(utf8);
    };
    fs::path path = toPath(name);
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        enterFolder(path);
        name_->setText("");
        return;
    }
    if (path.filename().string().find('.') == std::string::npos && !options_.defaultExt.empty()) {
        name += "." + options_.defaultExt;
        path = toPath(name);
    }
    if (options_.mustExist && !fs::is_regular_file(path, ec)) {
        messageBox(host(), options_.title, name + "\n" + uiText(UiText::FileNotFound), BoxIcon::Exclamation,
                   BoxButtons::Ok, Answer::Ok);
        return;
    }
    result = path;
    close(Answer::Ok);
}

}  // namespace

std::optional<fs::path> chooseFile(UiHost& host, const FileChooserOptions& options) {
    FileChooserDialog dialog(options, host.platform().fonts());
    Answer answer = dialog.runModal(host, {platform::WaitKind::Question, Answer::Cancel});
    if (answer != Answer::Ok) return std::nullopt;
    return dialog.result;
}

}  // namespace qvl::ui
