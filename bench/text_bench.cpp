// Full pages of text, 11 lines of 26 full-width characters, with HighSpeedText on:
// through the text window alone (waits answered at once), and through the whole
// engine headless. Both report the time per page.
#include "app/tfmain.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "text/text_window.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const std::string kGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック

// Every wait ends at once: a click wait sees its click on the first pump.
class InstantHost : public qvl::TextHost {
public:
    qvl::Surface& textSurface() override { return text_; }
    qvl::Surface& textMask() override { return mask_; }
    const qvl::Surface& compositionSurface() override { return scene_; }
    qvl::Surface& windowImage() override { return image_; }
    void showWindow(std::optional<qvl::Rect>) override {}
    void presentScene(bool) override {}
    void markSceneChanged() override {}
    uint32_t ticks() override { return 0; }
    void pump(std::optional<uint32_t>, qvl::platform::WaitHint hint) override {
        if (hint.kind == qvl::platform::WaitKind::Click) clickPending = true;
    }
    void delayMs(int32_t) override {}
    void startIconTimer() override {}
    void stopIconTimer() override {}
    qvl::platform::FontEngine& fonts() override { return fonts_; }
    void appendToLog(std::string_view, bool) override {}
    void nextLogPage() override {}
    void takeSaveSnapshot() override {}
    void setWaitMenuItems(bool) override {}
    int32_t evaluate(std::string_view) override { return 0; }
    std::string textFlag(std::string_view) override { return {}; }
    std::optional<qvl::Surface> loadPicture(const std::string&) override { return std::nullopt; }
    void playWave(const std::string&, bool) override {}
    qvl::ScriptErrorReporter& reporter() override { return reporter_; }

    bool clickPending = false, down = false, up = false, accepted = true, fast = false, active = false;
    bool skip = false, noSave = false, highSpeed = true, pageMode = false;
    int32_t textId = -1, pending = 0;
    std::vector<uint8_t> marks;
    qvl::InterpreterState state;
    std::array<std::string, 7> fontTable{kGothic, kGothic, kGothic, kGothic, kGothic, kGothic, kGothic};
    std::string dataDrive;

private:
    qvl::Surface text_{640, 544, 0}, mask_{640, 544, 0xFFFFFF}, scene_{640, 480, 0x204060}, image_{640, 480, 0x204060};
    qvl::platform::FontEngine fonts_;
    struct : qvl::ScriptErrorReporter {
        void scriptError(const std::string&) override {}
    } reporter_;
};

void BM_TextWindowPage(benchmark::State& st) {
    InstantHost host;
    qvl::TextWindowState state;
    state.setDefaults(host.fontTable);
    qvl::TextWindow window(host,
                           {host.clickPending, host.down, host.up, host.accepted, host.fast, host.active, host.skip,
                            host.noSave, host.highSpeed, host.pageMode, host.textId, host.pending, host.marks,
                            host.state, host.fontTable, host.dataDrive},
                           state);
    std::string line;
    for (int i = 0; i < 26; ++i) line += "\x82\xa0";  // あ
    // The 26th character wraps each line; the 11th line's wrap is the page end.
    for (auto _ : st)
        for (int l = 0; l < 11; ++l) window.showTextLine(line, 1);
    st.SetLabel("one page per iteration");
}
BENCHMARK(BM_TextWindowPage)->Unit(benchmark::kMillisecond);

void BM_TextPages(benchmark::State& st) {
    const int pages = int(st.range(0));
    fs::path dir = fs::temp_directory_path() / ("qvl-bench-text-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "qvl.cfg", std::ios::binary) << "SavePath=save\\\r\n";
    std::ofstream(dir / "qvl.ini", std::ios::binary) << "HighSpeedText=1\r\n";
    std::string line;
    for (int i = 0; i < 26; ++i) line += "\x82\xa0";  // あ
    {
        std::ofstream script(dir / "autorun.txt", std::ios::binary);
        for (int p = 0; p < pages; ++p)
            for (int l = 0; l < 11; ++l) script << line << "\r\n";
    }
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    for (auto _ : st) {
        qvl::platform::HeadlessPlatform platform({}, {true, std::nullopt});
        qvl::TFmain app(platform, {});
        app.run();
    }
    fs::current_path(previous);
    fs::remove_all(dir);
    // Pages per second; the time per page is its inverse (start-up included).
    st.counters["pages/s"] = benchmark::Counter(double(st.iterations()) * pages, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TextPages)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
