// The window's sizes on the real main window, offscreen: the toolbar buttons fit their
// captions, the work list's "Kimenet" column stays visible, and the window shrinks back after
// an enlargement.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/tform1.h"
#include "app/tool_tips.h"
#include "app/work_list_columns.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(MainWindow, ToolbarButtonsTakeTheirLayoutWidthsOrWhatTheirCaptionsNeed) {
    app::TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto fits = [](QWidget* control) {
        EXPECT_GE(control->width(), control->sizeHint().width())
            << control->objectName().toStdString() << " cuts its caption";
    };
    for (QToolButton* button : {form.RzToolButton4(), form.RzToolButton5(), form.RzToolButton6(),
                                form.RzToolButton7(), form.RzToolButton8()})
        fits(button);
    for (QAbstractButton* item : form.RzRadioGroup3Items()->buttons()) fits(item);
    // Captions as long as the English ones, or longer: the buttons widen, side by side.
    const int registerWidth = form.RzToolButton5()->width();
    const int unregisterWidth = form.RzToolButton6()->width();
    form.RzToolButton5()->setText(u("Register the context menu entries"));
    form.RzToolButton6()->setText(u("Remove the context menu entries"));
    form.resize(1600, form.height());
    QCoreApplication::processEvents();
    fits(form.RzToolButton5());
    fits(form.RzToolButton6());
    EXPECT_GE(form.RzToolButton5()->width(), registerWidth);
    EXPECT_GE(form.RzToolButton6()->width(), unregisterWidth);
    EXPECT_LE(form.RzToolButton5()->geometry().right(), form.RzToolButton6()->geometry().left());
}

TEST(MainWindow, KimenetColumnShowsAtTheOpeningSizeAndColumnsKeepTheirWidthsWhenWide) {
    app::TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTreeWidget* list = form.RzListView1();
    const auto span = [list] {
        return list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2);
    };
    using Columns = app::WorkListColumns;
    // At the opening size the first two columns give up width: "Kimenet" shows 100 pixels
    // or more, and nothing needs scrolling sideways.
    EXPECT_GE(list->columnWidth(2), 100);
    EXPECT_LT(list->columnWidth(0), Columns::kSourceWidth);
    EXPECT_LT(list->columnWidth(1), Columns::kOutcomeWidth);
    EXPECT_EQ(span(), list->viewport()->width());

    // Wide enough: the layout's widths, and "Kimenet" takes what is left.
    form.resize(1300, form.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(list->columnWidth(0), Columns::kSourceWidth);
    EXPECT_EQ(list->columnWidth(1), Columns::kOutcomeWidth);
    EXPECT_EQ(list->columnWidth(2),
              list->viewport()->width() - Columns::kSourceWidth - Columns::kOutcomeWidth);

    // A border the user drags moves; "Kimenet" again takes the rest, and it keeps its 100
    // pixels when a column is dragged too wide.
    list->header()->resizeSection(0, 300);
    EXPECT_EQ(list->columnWidth(0), 300);
    EXPECT_EQ(list->columnWidth(2), list->viewport()->width() - 300 - Columns::kOutcomeWidth);
    list->header()->resizeSection(1, 5000);
    EXPECT_EQ(list->columnWidth(2), 100);
    EXPECT_EQ(span(), list->viewport()->width());
    // Back at the opening size the dragged widths give way as the layout's did.
    form.resize(app::TForm1::kOpeningWidth, app::TForm1::kOpeningHeight);
    QCoreApplication::processEvents();
    EXPECT_GE(list->columnWidth(2), 100);
    EXPECT_EQ(span(), list->viewport()->width());
}

TEST(MainWindow, WindowGrowsAndShrinksBackWithItsMinimumSizeFixed) {
    app::TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QSize opening(app::TForm1::kOpeningWidth, app::TForm1::kOpeningHeight);
    constexpr int kEditWidth = app::TForm1::kEditOpeningWidth;
    ASSERT_EQ(form.size(), opening);
    const QSize minimum = form.minimumSizeHint().expandedTo(form.minimumSize());
    EXPECT_LE(minimum.width(), opening.width());
    EXPECT_LE(minimum.height(), opening.height());
    EXPECT_EQ(form.JvDirectoryEdit1()->width(), kEditWidth);

    // Enlarged twice, as a user drags the border or maximises: the edit takes the width gained,
    // and the least size the window can be given stays where it was.
    for (const int gained : {200, 300}) {
        form.resize(opening.width() + gained, opening.height() + gained / 2);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.JvDirectoryEdit1()->width(), kEditWidth + gained);
        EXPECT_EQ(form.minimumSizeHint().expandedTo(form.minimumSize()), minimum) << gained;
    }
    // Back to the opening size (a restore, or the user shrinking it), and narrower still.
    form.resize(opening);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), opening);
    EXPECT_EQ(form.JvDirectoryEdit1()->width(), kEditWidth);
    form.resize(minimum);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), minimum);
    EXPECT_LT(form.JvDirectoryEdit1()->width(), kEditWidth);

    // At the least width the preview button shows beside the start button, and in Hungarian
    // the toolbar still holds every button, up to "Normál" (nothing went into its overflow).
    for (const bool english : {false, true}) {
        form.state().englishUi = english;
        app::applyToolTips(form);
        QCoreApplication::processEvents();
        QToolButton* preview = form.RzToolButton9();
        EXPECT_TRUE(preview->isVisible()) << english;
        EXPECT_LT(form.RzToolButton1()->geometry().right(), preview->geometry().left());
        EXPECT_LT(preview->geometry().right(), form.RzToolButton2()->geometry().left());
        if (!english) {
            EXPECT_TRUE(form.RzToolButton8()->isVisible());
            EXPECT_LE(form.RzToolButton8()->geometry().right(), form.RzToolbar1()->width());
        }
    }
}

}  // namespace
