#include "app/tool_tips.h"

#include <QToolButton>

#include "app/tform1.h"

namespace app {

void applyToolTips(TForm1& form) {
    using core::MessageId;
    form.RzToolButton1()->setToolTip(form.text(MessageId::StartToolTip));
    form.RzToolButton2()->setToolTip(form.text(MessageId::StopToolTip));
    form.RzToolButton3()->setToolTip(form.text(MessageId::ScanFolderToolTip));
    form.RzToolButton7()->setToolTip(form.text(MessageId::TopmostToolTip));
    form.RzToolButton8()->setToolTip(form.text(MessageId::NormalToolTip));
}

}  // namespace app
