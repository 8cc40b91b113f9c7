#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <optional>

namespace mivora {

// The tray menu as data: what the menu shows for one state of the program. The menu is rebuilt from
// these rows every time it opens.
struct MenuRow {
    enum class Action {
        none,
        copyLast,
        retryLast,
        openHome,
        openTutorial,
        openMemories,
        toggleTyping,
        openSetup,
        openLog,
        checkUpdates,
        quit
    };

    bool separator = false;
    QString title;
    Action action = Action::none;
    bool enabled = true;
    std::optional<bool> checked; // a check mark row: on or off
    QKeySequence key;
    bool operator==(const MenuRow&) const = default;

    struct State {
        bool ready = false; // setup complete, key tap running and a recogniser configured
        QString hotkey;     // the hotkey's name as the user presses it
        bool hasLastText = false;
        bool hasFailedClip = false;
        qsizetype memories = 0;
        bool typingSuggestions = false;
        bool hasUpdater = false;
        QString version;
    };
    static QList<MenuRow> rows(const State& state);
};

} // namespace mivora
