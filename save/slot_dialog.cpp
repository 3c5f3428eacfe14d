#include "save/slot_dialog.h"

#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "save/slot_files.h"
#include "save/slot_store.h"
#include "save/status_file.h"
#include "save/thumbnail.h"
#include "ui/message_box.h"
#include "ui/theme.h"
#include "ui/ui_strings.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <system_error>

#include <sys/stat.h>

namespace qvl {

namespace fs = std::filesystem;
using platform::Answer;
using platform::Event;
using platform::Key;
using ui::ImageButton;

namespace {

constexpr int kClientWidth = 624;
constexpr int kClientHeight = 256;
constexpr std::size_t kLineLimit = 510;  // the most of a status file's first line that is read
constexpr std::size_t kTitleBytes = 64;
constexpr std::size_t kNumberWidth = 3;
constexpr uint32_t kLoadColour = 0xD0D0A0;
constexpr uint32_t kSaveColour = 0xA0D0D0;

enum class SlotText {
    Caption,
    NoData,
    Overwrite,
    Confirm,
    LoadMode,
    SaveMode,
    PreviousPage,
    NextPage,
    PanelFace,
    Number
};

constexpr std::array kUtf8Texts = {
    "ファイル選択",            // Caption
    "データがありません",      // NoData
    "上書きしていいですか？",  // Overwrite
    "確認",                    // Confirm
    "データ読み込み",          // LoadMode
    "データ保存",              // SaveMode
    "１ページ戻る",            // PreviousPage
    "１ページ進む",            // NextPage
    "ＭＳ Ｐゴシック",         // PanelFace
    "番",                      // Number
};

const std::string& text(SlotText id) {
    static const auto table = [] {
        std::array<std::string, kUtf8Texts.size()> sjis;
        for (std::size_t i = 0; i < kUtf8Texts.size(); ++i) sjis[i] = platform::utf8ToSjis(kUtf8Texts[i]);
        return sjis;
    }();
    return table[static_cast<std::size_t>(id)];
}

platform::FontSpec panelFont(int height) {
    return {text(SlotText::PanelFace), height, false};
}

// The form's own pictures are not ours to ship; a soft vertical gradient in the
// button's hue does the same job under its caption.
Surface buttonFace(uint32_t top, uint32_t bottom) {
    constexpr int kW = 97, kH = 33;
    Surface face(kW, kH);
    for (int y = 0; y < kH; ++y) {
        uint32_t colour = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int a = int((top >> shift) & 0xFF), b = int((bottom >> shift) & 0xFF);
            colour |= uint32_t(a + (b - a) * y / (kH - 1)) << shift;
        }
        face.fillRect({0, y, kW, 1}, colour);
    }
    return face;
}

// The chapter title: the first line, without its line end and trailing blanks.
// Only a regular file of a sane size is read (a FIFO would block the dialog).
std::string readTitle(const fs::path& file) {
    platform::FileSystem::ReadResult r = platform::FileSystem::readRegular(file, kMaxSaveFile);
    std::string_view line(r.bytes);
    line = line.substr(0, std::min(kLineLimit, line.size()));
    line = line.substr(0, line.find_first_of(std::string_view("\n\0", 2)));
    return sjis::trimRight(line);
}

// Always 64 bytes, so the dates line up; the cut keeps whole characters.
std::string titleCell(std::string_view title) {
    std::size_t end = 0;
    while (end < title.size()) {
        std::size_t n = sjis::charLength(title, end);
        if (end + n > kTitleBytes) break;
        end += n;
    }
    std::string cell(title.substr(0, end));
    cell.resize(kTitleBytes, ' ');
    return cell;
}

// "(2000/01/01 12:00)" as spoken: without the brackets.
std::string spokenTime(const std::string& shown) {
    return shown.size() > 2 ? shown.substr(1, shown.size() - 2) : shown;
}

std::string modificationTime(const fs::path& file) {
    // stat's own seconds: the file clock's conversion is missing from some C++ libraries.
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    std::time_t t = st.st_mtime;
    std::tm local{};
    if (!localtime_r(&t, &local)) return {};
    char out[48];
    std::snprintf(out, sizeof out, "(%04d/%02d/%02d %02d:%02d)", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min);
    return out;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

std::vector<SlotDialog::Row> SlotDialog::readRows(const fs::path& saveFolder) {
    // One look at the folder rather than 80: saves copied from a Windows disc may
    // spell the names in capitals. The name as we write it wins over another spelling.
    std::map<std::string, fs::path> files;
    auto list = [&] {
        files.clear();
        std::error_code ec;
        for (fs::directory_iterator it(saveFolder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            auto [pos, added] = files.emplace(lowerAscii(name), it->path());
            if (!added && name == pos->first) pos->second = it->path();
        }
    };
    list();
    bool settled = false;
    for (int n = 1; n <= kSlots; ++n)
        if (files.count(SlotStore::switchFileName(n))) {
            std::string unused;  // a slot that stays broken is told about when it is loaded
            SlotStore(saveFolder).settle(n, unused);
            settled = true;
        }
    if (settled) list();
    std::vector<Row> rows(kSlots);
    for (int i = 0; i < kSlots; ++i) {
        std::string number = std::to_string(i + 1);
        const std::string spokenNumber = number + text(SlotText::Number);
        number.resize(std::max(number.size(), kNumberWidth), ' ');
        auto file = files.find(statusFileName(i + 1));
        std::error_code typeError;
        if (file != files.end() && !fs::is_directory(file->second, typeError)) {
            // A file that cannot be read still shows its date.
            const std::string title = readTitle(file->second), time = modificationTime(file->second);
            rows[i] = {number + titleCell(title) + time, true, spokenNumber + " " + title + " " + spokenTime(time)};
        } else {
            rows[i] = {number + text(SlotText::NoData), false, spokenNumber + " " + text(SlotText::NoData)};
        }
    }
    return rows;
}

SlotDialog::SlotDialog(bool saveMode, const fs::path& saveFolder, SlotDialogState& state, Ask ask)
    : Dialog(text(SlotText::Caption), kClientWidth + 2 * kEdge, kClientHeight + kTitleHeight + 1 + 2 * kEdge),
      saveMode_(saveMode),
      state_(state),
      slots_(readRows(saveFolder)),
      ask_(std::move(ask)),
      folder_(saveFolder) {
    auto pictureButton = [&](Rect r, std::string caption, const Surface& face) -> ImageButton& {
        auto& button = add<ImageButton>(r, std::move(caption));
        button.setPictureImg(face);
        button.setFont(panelFont(12));
        return button;
    };
    // The mode's caption, for show only.
    auto& loadMode = pictureButton(place(8, 8, 97, 33), text(SlotText::LoadMode), buttonFace(0xF8F8E0, 0xC8C890));
    auto& saveModeCaption =
        pictureButton(place(8, 8, 97, 33), text(SlotText::SaveMode), buttonFace(0xE0F8F8, 0x90C8C8));
    loadMode.setEnabled(false);
    saveModeCaption.setEnabled(false);
    loadMode.setVisible(!saveMode);
    saveModeCaption.setVisible(saveMode);

    const Surface navigation = buttonFace(0xF4F4F4, 0xB8B8C8);
    previous_ = &pictureButton(place(263, 8, 97, 33), text(SlotText::PreviousPage), navigation);
    for (int k = 0; k < kRowsPerPage; ++k) {
        auto& row = add<ImageButton>(place(8, 48 + 40 * k, 609, 33));
        row.setAlignment(ui::TextAlign::Left);
        row.setColour(0xFFFFFF);
        row.setFont(ui::uiFont(13));
        row.setHandPointer(true);
        row.setFocusable(true);
        row.onClick = [this, k] { take(k); };
        rows_[std::size_t(k)] = &row;
    }
    next_ = &pictureButton(place(263, 216, 97, 33), text(SlotText::NextPage), navigation);
    cancel_ = &pictureButton(place(520, 216, 97, 33), ui::uiText(ui::UiText::Cancel), navigation);
    for (ImageButton* b : {previous_, next_, cancel_}) {
        b->setBevelWidth(2);
        b->setFocusable(true);  // Tab reaches them too: nothing needs the pointer
    }
    previous_->onClick = [this] { turn(-1); };
    next_->onClick = [this] { turn(1); };
    cancel_->onClick = [this] { finish(Answer::Cancel); };
    showPage(state_.page);
}

std::optional<int> SlotDialog::run(ui::UiHost& host) {
    chosen_.reset();
    Answer answer = runModal(host, {platform::WaitKind::Question, Answer::Cancel});
    return answer == Answer::Ok ? chosen_ : std::nullopt;
}

std::string SlotDialog::pageText() const {
    return std::to_string(state_.page + 1) + "/" + std::to_string(kPages);
}

void SlotDialog::showPage(int page) {
    page = std::clamp(page, 0, kPages - 1);
    state_.page = page;
    previous_->setVisible(page != 0);
    next_->setVisible(page != kPages - 1);
    // Read aloud with the page they lead from, so turning with them is heard.
    for (ImageButton* b : {previous_, next_}) b->setSpokenText(b->caption() + " " + pageText());
    int focused = focusedRow();
    for (int k = 0; k < kRowsPerPage; ++k) {
        const Row& slot = slots_[std::size_t(page * kRowsPerPage + k)];
        ImageButton& row = *rows_[std::size_t(k)];
        row.setCaption(slot.text);
        row.setSpokenText(slot.spoken);
        row.setEnabled(saveMode_ || slot.hasData);
        // An empty slot looks empty, in either mode.
        row.setTextColour(slot.hasData ? ui::kTextColour : ui::kGreyTextColour);
        if (!row.enabled()) row.releasePointer();
    }
    // The keyboard stays on the same line of the new page when that line can be
    // taken, and on a page button while it is there.
    if (focused >= 0 && rows_[std::size_t(focused)]->enabled()) return;
    if (focused < 0 && focus() && focus()->focusable()) return;
    setFocus(nullptr);
    moveFocus(1);
}

int SlotDialog::focusedRow() const {
    for (int k = 0; k < kRowsPerPage; ++k)
        if (focus() == rows_[std::size_t(k)]) return k;
    return -1;
}

bool SlotDialog::turn(int pages) {
    int before = state_.page;
    showPage(before + pages);
    return state_.page != before;
}

bool SlotDialog::moveFocus(int step) {
    int k = focusedRow();
    if (k < 0) k = step > 0 ? -1 : kRowsPerPage;
    for (k += step; k >= 0 && k < kRowsPerPage; k += step) {
        if (rows_[std::size_t(k)]->enabled()) {
            setFocus(rows_[std::size_t(k)]);
            return true;
        }
    }
    return false;
}

void SlotDialog::take(int k) {
    int index = state_.page * kRowsPerPage + k;
    if (saveMode_ && slots_[std::size_t(index)].hasData) {
        rows_[std::size_t(k)]->releasePointer();  // the box covers the row
        Answer answer = ask_ ? ask_(text(SlotText::Confirm), text(SlotText::Overwrite))
                             : ui::messageBox(host(), text(SlotText::Confirm), text(SlotText::Overwrite),
                                              ui::BoxIcon::Question, ui::BoxButtons::OkCancel, Answer::Ok);
        if (answer != Answer::Ok) return;
    }
    chosen_ = index + 1;
    finish(Answer::Ok);
}

void SlotDialog::finish(Answer answer) {
    for (ImageButton* row : rows_) row->releasePointer();
    close(answer);
}

bool SlotDialog::onKey(const Event& event) {
    switch (event.key) {
        case Key::PageUp:
            return turn(-1);
        case Key::PageDown:
            return turn(1);
        case Key::Up:
            return moveFocus(-1);
        case Key::Down:
            return moveFocus(1);
        case Key::Escape:
            finish(Answer::Cancel);
            return true;
        default:
            return Dialog::onKey(event);
    }
}

std::string SlotDialog::openingSpeech() const {
    std::string out = text(saveMode_ ? SlotText::SaveMode : SlotText::LoadMode);
    if (focus()) out += " " + focus()->spokenText();
    return out;
}

bool SlotDialog::onAnswer(Answer answer) {
    if (answer != Answer::Cancel && answer != Answer::No) return false;
    finish(Answer::Cancel);
    return true;
}

bool SlotDialog::onWheel(const Event& event) {
    // Turning the wheel away from oneself goes back, as a list scrolls up.
    return turn(-event.wheel);
}

bool SlotDialog::onPick(const Event& event) {
    if (event.type != Event::Type::PickSlot || event.id < 1 || event.id > kSlots) return false;
    showPage((event.id - 1) / kRowsPerPage);
    ImageButton& row = *rows_[std::size_t((event.id - 1) % kRowsPerPage)];
    if (row.enabled()) {
        row.click();
    } else {
        host().platform().beep();
    }
    return true;
}

void SlotDialog::drawFace(Surface& overlay, platform::FontEngine& fonts) {
    ui::fillOpaque(overlay, clientRect(), saveMode_ ? kSaveColour : kLoadColour);
    // The page number sits in a sunken box.
    ui::drawFrame(overlay, place(8, 216, 97, 34), ui::kShadowColour, ui::kHighlightColour);
    Rect label = place(16, 219, 81, 30);
    auto font = panelFont(27);
    std::string page = pageText();
    fonts.drawText(overlay, label.x + (label.w - fonts.measureText(page, font)) / 2, label.y, page, font,
                   ui::kTextColour);
}

bool SlotDialog::onPointer(const Event& event) {
    int over = -1;
    for (int k = 0; k < kRowsPerPage; ++k)
        if (rows_[std::size_t(k)]->rect().contains(event.x, event.y)) over = k;
    if (over == pointerRow_) return false;
    const int before = previewRow();
    pointerRow_ = over;
    return previewRow() != before;
}

int SlotDialog::previewRow() const {
    const int k = pointerRow_ >= 0 ? pointerRow_ : focusedRow();
    if (k < 0 || !slots_[std::size_t(state_.page * kRowsPerPage + k)].hasData) return -1;
    return k;
}

const std::optional<Surface>& SlotDialog::thumbnail(int slot) {
    auto it = thumbnails_.find(slot);
    if (it == thumbnails_.end()) it = thumbnails_.emplace(slot, readThumbnail(folder_, slot)).first;
    return it->second;
}

void SlotDialog::drawOver(Surface& overlay, platform::FontEngine&) {
    const int k = previewRow();
    if (k < 0) return;
    const std::optional<Surface>& picture = thumbnail(state_.page * kRowsPerPage + k + 1);
    if (!picture) return;
    // Beside the row's right end, below it or, for the lower rows, above it, in a
    // black frame; like a tooltip it may cover the rows next to it.
    const Rect row = rows_[std::size_t(k)]->rect();
    const Rect client = clientRect();
    const int w = kThumbnailWidth + 2, h = kThumbnailHeight + 2;
    const int x = row.x + row.w - w - 4;
    const int y = row.y + row.h + 2 + h <= client.y + client.h ? row.y + row.h + 2 : row.y - 2 - h;
    ui::fillOpaque(overlay, {x, y, w, h}, 0x000000);
    overlay.blit(*picture, x + 1, y + 1);
    for (int yy = y + 1; yy < y + 1 + kThumbnailHeight; ++yy) {
        uint32_t* r = overlay.row(yy);
        for (int xx = x + 1; xx < x + 1 + kThumbnailWidth; ++xx) r[xx] |= 0xFF000000;
    }
}

std::optional<int> chooseSlot(ui::UiHost& host, bool saveMode, const fs::path& saveFolder, SlotDialogState& state,
                              SlotDialog::Ask ask) {
    SlotDialog dialog(saveMode, saveFolder, state, std::move(ask));
    return dialog.run(host);
}

}  // namespace qvl
