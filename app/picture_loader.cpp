#include "app/picture_loader.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "base/sjis.h"
#include "graphics/bmp_decoder.h"
#include "graphics/frl_codec.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/mag_decoder.h"
#include "script/messages.h"
#include "script/script_loader.h"

namespace qvl {

using platform::Answer;

namespace {

bool namesPictureFormat(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = sjis::toLower(name.substr(dot));
    return ext == ".bmp" || ext == ".jpg" || ext == ".mag" || ext == ".him" || ext == ".frl";
}

}  // namespace

std::optional<Surface> PictureLoader::read(const std::string& name) {
    if (!namesPictureFormat(name)) return std::nullopt;
    Surface picture;
    load(name, picture);
    return picture;
}

void PictureLoader::load(const std::string& rawName, Surface& target) {
    const std::string name = expandDataDrive(rawName, main_.settings.dataDriveRoot);
    platform::FileSystem& files = main_.files;
    std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : sjis::toLower(name.substr(dot));

    if (ext == ".bmp" || ext == ".jpg") {
        auto bytes = files.read(name);
        if (!bytes) throw Fault(message(Message::CannotOpenFile) + name);
        target = ext == ".bmp" ? decodeBmp(*bytes) : decodeJpeg(*bytes);
        return;
    }
    if (ext == ".mag" || ext == ".him") {
        auto fail = [&] {
            main_.boxes.scriptError(text(Text::MagUnreadable) + rawName);
            target = Surface(8, 8);
        };
        auto bytes = files.read(name);
        if (!bytes || !magBitmapSize(*bytes)) return fail();
        MagResult mag = magToBmp(*bytes);
        if (mag.code != kMagOk) {
            main_.boxes.messageBox(text(Text::WarningTitle), text(Text::MagFailed), ui::BoxIcon::Exclamation,
                                   ui::BoxButtons::Ok, Answer::Ok);
            return fail();
        }
        try {
            target = decodeBmp(mag.bitmap);
        } catch (const Fault&) {
            fail();
        }
        return;
    }
    if (ext == ".frl") {
        auto bytes = files.read(name);
        try {
            if (!bytes) throw Fault(name);
            target = decodeFrl(*bytes);
        } catch (const Fault&) {
            main_.boxes.scriptError(text(Text::PictureUnreadable) + rawName);
            target = Surface(8, 8);
        }
        return;
    }
    // Any other extension (".png" included) leaves the picture as it was.
}

}  // namespace qvl
