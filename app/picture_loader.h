#pragma once
// Loading a picture file into a surface by its extension. Missing or broken BMP
// and JPEG files are faults that end the run; MAG and FRL failures are reported
// and leave an 8 x 8 picture, and the scene goes on as if the load had worked.
#include "graphics/surface.h"

#include <optional>
#include <string>

namespace qvl {

class TFmain;

class PictureLoader {
public:
    explicit PictureLoader(TFmain& main) : main_(main) {}

    // A picture file into a surface, chosen by the file's extension; any other
    // extension leaves the surface as it was.
    void load(const std::string& name, Surface& target);
    // The picture for a scene load: nothing when the extension names no picture
    // format (the surface then keeps what it has).
    std::optional<Surface> read(const std::string& name);

private:
    TFmain& main_;
};

}  // namespace qvl
