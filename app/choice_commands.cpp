#include "app/choice_commands.h"

#include "app/tfmain.h"

namespace qvl {

ChoiceCommands::ChoiceCommands(TFmain& main, Dispatcher& d) : main_(main), args_(main.state, main.evaluator) {
    auto arg = [this](int slot) -> const std::string& { return args_.text(slot); };
    auto value = [this](int slot) { return args_.value(slot, 0); };
    auto optional = [this](int slot) { return args_.optional(slot); };
    Choices& choices = main.choices();
    d.add("_selmenu", [this, &choices, arg, optional] {
        choices.setMenu({optional(0), optional(1), arg(2), arg(3)});
        runChoice(ChoiceKind::Menu);
    });
    d.add("_selbutton", [this, &choices, arg, value, optional] {
        choices.setSheet({optional(0), optional(1), arg(2), value(3), value(4), 1, arg(5)});
        runChoice(ChoiceKind::Buttons);
    });
    d.add("_selcgmode", [this, &choices, arg, value, optional] {
        choices.setSheet({optional(0), optional(1), arg(2), value(3), value(4), value(5), arg(6)});
        runChoice(ChoiceKind::PictureGrid);
    });
}

void ChoiceCommands::runChoice(ChoiceKind kind) {
    // The save item works during a choice when saving is allowed and there is a
    // save point to write.
    Shell& shell = main_.shell;
    shell.saveMenuEnabled = !shell.saveSuppressed && main_.saves.snapshot().exists();
    struct Off {
        bool& enabled;
        ~Off() { enabled = false; }
    } off{shell.saveMenuEnabled};
    Choices& choices = main_.choices();
    choices.setClickSound(main_.settings.MenuClickSound);
    main_.controlFlow.choice(kind, choices);
}

}  // namespace qvl
