// Loading a picture file into a surface by its extension. Missing or broken BMP
// and JPEG files are faults that end the run; MAG and FRL failures are reported
// and leave an 8 x 8 picture, and the scene goes on as if the load had worked.
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

void TFmain::loadPicture(const std::string& rawName, Surface& target) {
    const std::string name = expandDataDrive(rawName, settings.dataDriveRoot);
    std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : sjis::toLower(name.substr(dot));

    if (ext == ".bmp" || ext == ".jpg") {
        auto bytes = files_.read(name);
        if (!bytes) throw Fault(message(Message::CannotOpenFile) + name);
        target = ext == ".bmp" ? decodeBmp(*bytes) : decodeJpeg(*bytes);
        return;
    }
    if (ext == ".mag" || ext == ".him") {
        auto fail = [&] {
            scriptError(text(Text::MagUnreadable) + rawName);
            target = Surface(8, 8);
        };
        auto bytes = files_.read(name);
        if (!bytes || !magBitmapSize(*bytes)) return fail();
        MagResult mag = magToBmp(*bytes);
        if (mag.code != kMagOk) {
            messageBox(text(Text::WarningTitle), text(Text::MagFailed), ui::BoxIcon::Exclamation, ui::BoxButtons::Ok,
                       Answer::Ok);
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
        auto bytes = files_.read(name);
        try {
            if (!bytes) throw Fault(name);
            target = decodeFrl(*bytes);
        } catch (const Fault&) {
            scriptError(text(Text::PictureUnreadable) + rawName);
            target = Surface(8, 8);
        }
        return;
    }
    // Any other extension (".png" included) leaves the picture as it was.
}

}  // namespace qvl
