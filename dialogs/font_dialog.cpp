#include "dialogs/font_dialog.h"

#include "platform/encoding.h"
#include "ui/label.h"
#include "ui/list_box.h"
#include "ui/text_fit.h"
#include "ui/theme.h"
#include "ui/ui_strings.h"

#include <algorithm>
#include <functional>

namespace qvl {

using platform::Answer;
using platform::Event;
using platform::Key;
using ui::ImageButton;

namespace {

constexpr int kComboHeight = 21;
constexpr int kComboButton = 17;
constexpr int kDropRows = 10;
constexpr int kListEdge = 2;
constexpr int kListBar = 16;
constexpr int kListRowHeight = ui::kUiLineHeight + 1;

std::string sjis(const char* utf8) {
    return platform::utf8ToSjis(utf8);
}

constexpr std::array kListNames = {"通常の文字", "特殊効果１", "特殊効果２", "ルビ文字"};
constexpr std::array kSamples = {"普通に見やすいもの", "丸文字又はＰＯＰ体", "古印体系の毛筆体",
                                 "縮小しても見やすいフォント"};
constexpr std::array kSampleHeights = {27, 27, 27, 13};

}  // namespace

// A drop-down list as a closed field: the chosen face and the button that opens
// the list. The list itself is FontDropList, which lies over the whole dialog.
class FontCombo : public ui::Widget {
public:
    FontCombo(Rect rect, const std::vector<std::string>& rows) : Widget(rect), rows_(rows) {}

    int selected = -1;
    std::string name;  // the list's label, spoken with the face
    std::function<void()> onDrop;
    std::function<void()> onChange;

    void setSelected(int row) {
        selected = row;
        if (onChange) onChange();
    }

    bool focusable() const override { return visible() && enabled(); }

    void draw(Surface& overlay, platform::FontEngine& fonts) override {
        const Rect r = rect();
        ui::fillOpaque(overlay, r, ui::kWindowColour);
        ui::drawSunken(overlay, r);
        const Rect button{r.x + r.w - 2 - kComboButton, r.y + 2, kComboButton, r.h - 4};
        ui::fillOpaque(overlay, button, ui::kFaceColour);
        ui::drawRaised(overlay, button);
        for (int i = 0; i < 4; ++i) {
            const int cx = button.x + button.w / 2;
            ui::fillOpaque(overlay, {cx - 3 + i, button.y + button.h / 2 - 2 + i, 7 - 2 * i, 1}, ui::kTextColour);
        }
        const Rect field{r.x + 3, r.y + 3, button.x - r.x - 4, r.h - 6};
        if (focused()) ui::fillOpaque(overlay, field, ui::kSelectionColour);
        if (selected < 0 || selected >= int(rows_.size())) return;
        const auto font = ui::uiFont();
        fonts.drawText(overlay, field.x + 2, field.y + (field.h - ui::kUiFontSize) / 2,
                       ui::fitToWidth(fonts, rows_[std::size_t(selected)], font, field.w - 4), font,
                       focused() ? ui::kSelectionTextColour : ui::kTextColour);
    }

    bool handle(const Event& event) override {
        switch (event.type) {
            case Event::Type::MouseDown:
                if (event.button != platform::MouseButton::Left || !rect().contains(event.x, event.y)) return false;
                if (onDrop) onDrop();
                return true;
            case Event::Type::KeyDown: {
                if (event.key == Key::F4 || (event.key == Key::Down && (event.mods & platform::kModAlt))) {
                    if (onDrop) onDrop();
                    return true;
                }
                // The closed list steps through the faces, as the desktop's does.
                const int last = int(rows_.size()) - 1;
                int row = selected;
                if (event.key == Key::Up) row = std::max(0, selected - 1);
                else if (event.key == Key::Down) row = std::min(last, selected + 1);
                else if (event.key == Key::Home) row = 0;
                else if (event.key == Key::End) row = last;
                else return false;
                if (row != selected && row >= 0) setSelected(row);
                return true;
            }
            default:
                return false;
        }
    }

protected:
    std::string shownText() const override {
        return name + " " + (selected >= 0 && selected < int(rows_.size()) ? rows_[std::size_t(selected)] : "");
    }

private:
    const std::vector<std::string>& rows_;
};

// The open list of one combo. It covers the whole scene while shown, so a click
// anywhere else closes it rather than reaching what lies below.
class FontDropList : public ui::Widget {
public:
    FontDropList(ui::Dialog& dialog, const std::vector<std::string>& rows)
        : Widget({0, 0, platform::kSceneWidth, platform::kSceneHeight}), dialog_(dialog), list_(Rect{}) {
        setVisible(false);
        list_.setRows(rows);
        list_.onSelect = [this](int row) {
            if (combo_) combo_->setSelected(row);
        };
        list_.onActivate = [this](int) { closeList(true); };
    }

    void open(FontCombo& combo) {
        combo_ = &combo;
        original_ = combo.selected;
        const Rect c = combo.rect();
        const int h = kDropRows * kListRowHeight + 2 * kListEdge;
        const int y = c.y + c.h + h <= platform::kSceneHeight ? c.y + c.h : c.y - h;
        list_.setRect({c.x, y, c.w, h});
        list_.select(combo.selected);
        list_.setFocused(true);
        setVisible(true);
        dialog_.setFocus(this);
    }

    // keep: the face chosen in the list stays; otherwise the one before opening.
    void closeList(bool keep) {
        if (!visible()) return;
        setVisible(false);
        list_.setFocused(false);
        FontCombo* combo = combo_;
        combo_ = nullptr;
        if (!combo) return;
        if (!keep && combo->selected != original_) combo->setSelected(original_);
        dialog_.setFocus(combo);
    }

    bool focusable() const override { return visible(); }
    void focusChanged() override {
        // Tab away from an open list keeps what it shows.
        if (!focused()) closeList(true);
    }

    void draw(Surface& overlay, platform::FontEngine& fonts) override { list_.draw(overlay, fonts); }

    bool handle(const Event& event) override {
        if (!visible()) return false;
        list_.setPlatform(platformPtr());
        switch (event.type) {
            case Event::Type::MouseDown: {
                const Rect r = list_.rect();
                if (!r.contains(event.x, event.y)) {
                    closeList(true);
                    return true;
                }
                const bool bar = int(list_.rows().size()) > list_.visibleRows();
                rowPressed_ = event.x < r.x + r.w - kListEdge - (bar ? kListBar : 0);
                list_.handle(event);
                return true;
            }
            case Event::Type::MouseUp:
                list_.handle(event);
                if (rowPressed_) {
                    rowPressed_ = false;
                    closeList(true);
                }
                return true;
            case Event::Type::MouseMove:
                return list_.handle(event);
            case Event::Type::MouseWheel:
                list_.handle(event);
                return true;
            case Event::Type::KeyDown:
                if (event.key == Key::Escape) {
                    closeList(false);
                } else if (event.key == Key::Enter || event.key == Key::F4 ||
                           (event.key == Key::Up && (event.mods & platform::kModAlt))) {
                    closeList(true);
                } else {
                    list_.handle(event);
                }
                // Nothing falls through to the dialog's Enter and Esc while the list is open.
                return true;
            default:
                return false;
        }
    }

protected:
    std::string shownText() const override {
        const int row = list_.selected();
        return row >= 0 && row < int(list_.rows().size()) ? list_.rows()[std::size_t(row)] : std::string();
    }

private:
    ui::Dialog& dialog_;
    ui::ListBox list_;
    FontCombo* combo_ = nullptr;
    int original_ = -1;
    bool rowPressed_ = false;
};

FontDialog::FontDialog(const std::vector<platform::FaceChoice>& faces, const FontFaces& current,
                       FontDialogState& state)
    : Dialog(sjis("フォント設定"), kClientWidth + 2 * kEdge, kClientHeight + kTitleHeight + 1 + 2 * kEdge),
      current_(current),
      state_(state) {
    for (const platform::FaceChoice& face : faces) {
        families_.push_back(face.shown);
        names_.push_back(face.names);
    }
    auto panel = [&](Rect r, std::string caption, uint32_t colour) -> ImageButton& {
        auto& p = add<ImageButton>(r, std::move(caption));
        p.setColour(colour);
        p.setFont(ui::uiFont(12));
        p.setEnabled(false);  // panels only show
        return p;
    };
    panel(place(8, 8, 337, 25), sjis("フォント名"), ui::kWindowColour);
    panel(place(352, 8, 257, 25), sjis("おすすめ"), ui::kWindowColour);
    for (int k = 0; k < kFontChoices; ++k) {
        const int y = 40 + 48 * k;
        panel(place(8, y, 337, 41), {}, kColour);
        add<ui::Label>(place(8 + 16, y + 13, 90, ui::kUiLineHeight), sjis(kListNames[std::size_t(k)]));
        auto& combo = add<FontCombo>(place(8 + 112, y + 13, 209, kComboHeight), families_);
        combo.name = sjis(kListNames[std::size_t(k)]);
        combos_[std::size_t(k)] = &combo;
        auto& sample = panel(place(352, y, 257, 41), sjis(kSamples[std::size_t(k)]), ui::kWindowColour);
        sample.setFont({current[std::size_t(k)], kSampleHeights[std::size_t(k)], false});
        samples_[std::size_t(k)] = &sample;
    }
    auto& note = panel(place(8, 232, 337, 25), sjis("プロポーショナル・縦書き・英字フォントはやめた方がいいです。"),
                       ui::kWindowColour);
    note.setFont(ui::uiFont(11));
    auto& ok = add<ui::Button>(place(352, 232, 75, 25), ui::uiText(ui::UiText::Ok));
    ok.setDefault(true);
    ok.onClick = [this] { close(Answer::Ok); };
    auto& cancel = add<ui::Button>(place(472, 232, 75, 25), ui::uiText(ui::UiText::Cancel));
    cancel.setCancel(true);
    cancel.onClick = [this] { close(Answer::Cancel); };
    // Last, so the open list lies over everything.
    dropList_ = &add<FontDropList>(*this, families_);

    for (int k = 0; k < kFontChoices; ++k) {
        FontCombo& combo = *combos_[std::size_t(k)];
        combo.selected = rowOf(current[std::size_t(k)]);
        givenRows_[std::size_t(k)] = combo.selected;
        givenNames_[std::size_t(k)] = current[std::size_t(k)];
        state_.faces[std::size_t(k)] = face(k);
        combo.onDrop = [this, &combo] { dropList_->open(combo); };
        combo.onChange = [this, k] { selectionChanged(k); };
    }
}

FontDialog::~FontDialog() = default;

Rect FontDialog::comboRect(int list) const {
    return combos_[std::size_t(list)]->rect();
}

bool FontDialog::dropped() const {
    return dropList_->visible();
}

std::string FontDialog::face(int list) const {
    const int row = combos_[std::size_t(list)]->selected;
    if (row < 0 || row >= int(families_.size())) return {};
    return row == givenRows_[std::size_t(list)] ? givenNames_[std::size_t(list)] : families_[std::size_t(row)];
}

int FontDialog::rowOf(std::string_view sjisFace) const {
    auto shown = std::find(families_.begin(), families_.end(), sjisFace);
    if (shown != families_.end()) return int(shown - families_.begin());
    for (std::size_t row = 0; row < names_.size(); ++row)
        if (std::find(names_[row].begin(), names_[row].end(), sjisFace) != names_[row].end()) return int(row);
    return -1;
}

bool FontDialog::choose(int list, std::string_view sjisFace) {
    if (list < 0 || list >= kFontChoices) return false;
    const int row = rowOf(sjisFace);
    if (row < 0) return false;
    // The name asked for is the one kept: a script naming "IPAGothic" gets it back.
    givenRows_[std::size_t(list)] = row;
    givenNames_[std::size_t(list)] = std::string(sjisFace);
    FontCombo& combo = *combos_[std::size_t(list)];
    if (combo.selected == row) selectionChanged(list);
    else combo.setSelected(row);
    return true;
}

void FontDialog::selectionChanged(int list) {
    const std::string chosen = face(list);
    state_.faces[std::size_t(list)] = chosen;
    ImageButton& sample = *samples_[std::size_t(list)];
    sample.setFont({chosen, kSampleHeights[std::size_t(list)], false});
}

std::optional<FontFaces> FontDialog::run(ui::UiHost& host) {
    state_.open = true;
    const Answer answer = runModal(host, {platform::WaitKind::Question, Answer::Cancel});
    state_.open = false;
    if (answer != Answer::Ok) return std::nullopt;
    // A face this machine lacks keeps its name while its list shows nothing: the
    // settings may have come from another machine, and OK must not lose them.
    FontFaces faces = current_;
    for (int k = 0; k < kFontChoices; ++k)
        if (!face(k).empty()) faces[std::size_t(k)] = face(k);
    return faces;
}

bool FontDialog::onPick(const Event& event) {
    // A scripted choice of a face in one of the lists.
    const int list = event.id;
    if (event.type != Event::Type::PickFont || list < 0 || list >= kFontChoices) return false;
    if (!choose(list, platform::utf8ToSjis(event.text))) host().platform().beep();
    return true;
}

void FontDialog::drawFace(Surface& overlay, platform::FontEngine&) {
    ui::fillOpaque(overlay, clientRect(), kColour);
}

}  // namespace qvl
