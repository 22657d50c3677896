#pragma once
// The window's actions: each runs its handler as a user's command, through the host, and
// menus and tool bars are laid out from lists of them.
#include <QAction>
#include <functional>
#include <initializer_list>

#include "page_host.h"

// An action named name (its object name), with a caption and a hint (none when null).
QAction* MakeAction(TPageHost& host, QObject* parent, const char* name, const char* caption,
                    const char* hint, std::function<void()> handler);

// Adds actions to a menu or a tool bar; a null action stands for a separator.
template <typename TActionBar>
void AddActions(TActionBar& bar, std::initializer_list<QAction*> actions) {
    for (QAction* action : actions) {
        if (action == nullptr) {
            bar.addSeparator();
        } else {
            bar.addAction(action);
        }
    }
}
