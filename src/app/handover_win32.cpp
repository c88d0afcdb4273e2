// The hand-over through WM_COPYDATA: a native event filter picks the message addressed to the
// main window and hands its COPYDATASTRUCT to the shared decoding.
#include <windows.h>

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include "app/handover.h"
#include "app/tform1.h"

namespace app {

struct HandOverServer::Impl : public QAbstractNativeEventFilter {
    TForm1& form;

    explicit Impl(TForm1& f) : form(f) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override {
        if (eventType != "windows_generic_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_COPYDATA) return false;
        if (msg->hwnd != reinterpret_cast<HWND>(form.winId())) return false;
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(msg->lParam);
        std::intptr_t answer = 0;
        if (data && data->cbData <= kMaxHandOverBytes)
            answer = handleHandOver(form, data->lpData, static_cast<std::uint32_t>(data->cbData));
        if (result) *result = static_cast<qintptr>(answer);
        return true;
    }
};

HandOverServer::HandOverServer(TForm1& form) : impl_(std::make_unique<Impl>(form)) {
    QCoreApplication::instance()->installNativeEventFilter(impl_.get());
}

HandOverServer::~HandOverServer() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(impl_.get());
}

QString HandOverServer::address() const {
    return QString::number(static_cast<qulonglong>(impl_->form.winId()), 16);
}

}  // namespace app
