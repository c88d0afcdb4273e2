#pragma once
// Window handlers run guarded: an error a handler raises is shown in the standard error box and
// the window goes on, instead of the error unwinding into Qt's event dispatch.
#include <QString>
#include <exception>
#include <utility>

#include "app/application.h"

namespace app {

template <typename Handler>
void runGuarded(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        showHandlerError(QString::fromUtf8(error.what()));
    }
}

// A slot for connect(): runs `handler` guarded (the signal's arguments are not passed on).
template <typename Handler>
auto guarded(Handler handler) {
    return [handler = std::move(handler)] { runGuarded(handler); };
}

}  // namespace app
