// The window's sizes on the real main window, offscreen: the toolbar buttons fit their
// captions, the work list's "Kimenet" column stays visible, and the window shrinks back after
// an enlargement.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "app/tform1.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(MainWindow, ToolbarButtonsTakeTheirLayoutWidthsOrWhatTheirCaptionsNeed) {
    app::TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto fits = [&form](QToolButton* button, int layoutWidth) {
        EXPECT_GE(button->width(), layoutWidth) << button->objectName().toStdString();
        EXPECT_GE(button->width(), button->sizeHint().width())
            << button->objectName().toStdString() << " cuts its caption";
    };
    fits(form.RzToolButton4(), 143);
    fits(form.RzToolButton5(), 70);
    fits(form.RzToolButton6(), 106);
    fits(form.RzToolButton7(), 79);
    fits(form.RzToolButton8(), 45);
    EXPECT_GE(form.RzRadioGroup3()->width(), 162);
    // Captions as long as the English ones, or longer: the buttons widen, side by side.
    form.RzToolButton5()->setText(u("Register the context menu entries"));
    form.RzToolButton6()->setText(u("Remove the context menu entries"));
    form.resize(1600, 452);
    QCoreApplication::processEvents();
    fits(form.RzToolButton5(), 70);
    fits(form.RzToolButton6(), 106);
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
    // At the opening size the first two columns give up width: "Kimenet" shows 100 pixels
    // or more, and nothing needs scrolling sideways.
    EXPECT_GE(list->columnWidth(2), 100);
    EXPECT_LT(list->columnWidth(0), 500);
    EXPECT_LT(list->columnWidth(1), 360);
    EXPECT_EQ(span(), list->viewport()->width());

    // Wide enough: the layout's widths, and "Kimenet" takes what is left.
    form.resize(1300, 452);
    QCoreApplication::processEvents();
    EXPECT_EQ(list->columnWidth(0), 500);
    EXPECT_EQ(list->columnWidth(1), 360);
    EXPECT_EQ(list->columnWidth(2), list->viewport()->width() - 860);

    // A border the user drags moves; "Kimenet" again takes the rest, and it keeps its 100
    // pixels when a column is dragged too wide.
    list->header()->resizeSection(0, 300);
    EXPECT_EQ(list->columnWidth(0), 300);
    EXPECT_EQ(list->columnWidth(2), list->viewport()->width() - 300 - 360);
    list->header()->resizeSection(1, 5000);
    EXPECT_EQ(list->columnWidth(2), 100);
    EXPECT_EQ(span(), list->viewport()->width());
    // Back at the opening size the dragged widths give way as the layout's did.
    form.resize(881, 452);
    QCoreApplication::processEvents();
    EXPECT_GE(list->columnWidth(2), 100);
    EXPECT_EQ(span(), list->viewport()->width());
}

TEST(MainWindow, WindowGrowsAndShrinksBackWithItsMinimumSizeFixed) {
    app::TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QSize opening(881, 452);
    ASSERT_EQ(form.size(), opening);
    const QSize minimum = form.minimumSizeHint().expandedTo(form.minimumSize());
    EXPECT_LE(minimum.width(), opening.width());
    EXPECT_LE(minimum.height(), opening.height());
    EXPECT_EQ(form.JvDirectoryEdit1()->width(), 729 - 24);

    // Enlarged twice, as a user drags the border or maximises: the edit takes the width gained,
    // and the least size the window can be given stays where it was.
    for (const int gained : {200, 300}) {
        form.resize(opening.width() + gained, opening.height() + gained / 2);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.JvDirectoryEdit1()->width(), 729 - 24 + gained);
        EXPECT_EQ(form.minimumSizeHint().expandedTo(form.minimumSize()), minimum) << gained;
    }
    // Back to the opening size (a restore, or the user shrinking it), and narrower still.
    form.resize(opening);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), opening);
    EXPECT_EQ(form.JvDirectoryEdit1()->width(), 729 - 24);
    form.resize(minimum);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), minimum);
    EXPECT_LT(form.JvDirectoryEdit1()->width(), 729 - 24);
}

}  // namespace
