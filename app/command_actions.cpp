#include "command_actions.h"

QAction* MakeAction(TPageHost& host, QObject* parent, const char* name, const char* caption,
                    const char* hint, std::function<void()> handler) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    if (hint != nullptr) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    QObject::connect(action, &QAction::triggered, parent,
                     [&host, handler = std::move(handler)] { host.RunAction(handler); });
    return action;
}
