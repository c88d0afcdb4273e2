#include "app/tool_tips.h"

#include <QAction>
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

    form.RzToolButton9()->setText(form.text(MessageId::PreviewCommand));
    form.RzToolButton9()->setToolTip(form.text(MessageId::PreviewToolTip));
    form.previewAction()->setText(form.text(MessageId::PreviewCommand));
    form.failuresOnlyAction()->setText(form.text(MessageId::OnlyFailedRows));
}

}  // namespace app
