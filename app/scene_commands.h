#pragma once
// The command table of the scene: backgrounds, persons, the effect layer,
// sprites, presentation, the shake, image sequences, the scroll roll and the
// black hole, and movies. Arguments are read here; the work is the scene's.
#include "app/command_args.h"
#include "graphics/black_hole.h"
#include "script/dispatcher.h"

namespace qvl {

class TFmain;
class Scene;

class SceneCommands {
public:
    SceneCommands(TFmain& main, Dispatcher& dispatcher);

private:
    void putPerson();
    void setPersonState();
    void clearPersons();
    void setEffect();
    void blackHole(BlackHoleKind kind);

    TFmain& main_;
    Scene& scene_;
    CommandArgs args_;
};

}  // namespace qvl
