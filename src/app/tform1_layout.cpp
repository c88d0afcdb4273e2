// The window's layout: every control created with its object name, captions, sizes and initial
// state, and bound to its handler. The handlers themselves are in tform1.cpp.
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app_icon.h"
#include "app/guarded.h"
#include "app/painted_widgets.h"
#include "app/settings_controller.h"
#include "app/status_summary.h"
#include "app/tform1.h"
#include "app/work_list_columns.h"
#include "app/work_list_view.h"

namespace app {
namespace {

QToolButton* makeToolButton(QWidget* parent, const QString& name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QWidget* makeSpacer(QWidget* parent, const QString& name) {
    auto* spacer = new QWidget(parent);
    spacer->setObjectName(name);
    spacer->setFixedWidth(8);
    return spacer;
}

QRadioButton* makeRadio(QWidget* parent, const QString& name, const QString& caption) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(name);
    return radio;
}

QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption, bool on) {
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    check->setChecked(on);
    return check;
}

QAction* makeAction(QObject* parent, const QString& name, const QString& caption) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    return action;
}

}  // namespace

void TForm1::buildLayout() {
    buildToolbar();
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildOutputFolderGroup(central);
    buildWorkList(central);
    buildOptions(central);
    column->addWidget(RzGroupBox1_);
    column->addWidget(RzListView1_, 1);
    column->addWidget(RzRadioGroup2_);
    setCentralWidget(central);
    buildStatusBar();
    buildPopupMenu();
    buildShortcuts();
}

void TForm1::buildToolbar() {
    RzToolbar1_ = new QToolBar(this);
    RzToolbar1_->setObjectName(QStringLiteral("RzToolbar1"));
    RzToolbar1_->setMovable(false);
    RzToolbar1_->setFloatable(false);
    RzToolbar1_->setContextMenuPolicy(Qt::PreventContextMenu);
    RzToolbar1_->setFixedHeight(29);
    RzToolbar1_->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, RzToolbar1_);

    for (int i = 0; i < 8; ++i)
        toolButtons_[i] = makeToolButton(RzToolbar1_, QStringLiteral("RzToolButton%1").arg(i + 1));

    // The preview: a picture like the start button beside it, its name in its tooltip (and its
    // caption in the menu's item); a caption would push the toolbar's last buttons into its
    // overflow at the window's least width.
    previewButton_ = makeToolButton(RzToolbar1_, QStringLiteral("RzToolButton9"));
    previewButton_->setIcon(appIcon("preview"));
    RzToolButton1()->setIcon(appIcon("play"));
    RzToolButton2()->setIcon(appIcon("stop"));
    RzToolButton3()->setIcon(appIcon("open_folder"));
    RzToolButton4()->setIcon(appIcon("dustbin"));
    for (QToolButton* b : {RzToolButton1(), RzToolButton2(), RzToolButton3(), previewButton_}) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setFixedSize(25, 25);
    }
    RzToolButton4()->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    RzToolButton4()->setText(QStringLiteral("Ures könyvtárak törlése"));
    RzToolButton5()->setText(QStringLiteral("Regisztráció"));
    RzToolButton6()->setText(QStringLiteral("Regisztráció törlése"));
    RzToolButton7()->setText(QStringLiteral("Mindig legfelul"));
    RzToolButton8()->setText(QStringLiteral("Normál"));
    // The layout's widths are the least each captioned button takes; a caption that needs more
    // (another font, the English captions, a larger scale) widens its button instead of being
    // cut, and a new caption from the language file resizes it again.
    const int captionedWidths[] = {143, 70, 106, 79, 45};
    for (int i = 3; i < 8; ++i) {
        toolButtons_[i]->setMinimumWidth(captionedWidths[i - 3]);
        toolButtons_[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    for (int i = 3; i < 8; ++i) toolButtons_[i]->setFixedHeight(25);
    for (int i = 4; i < 8; ++i) toolButtons_[i]->setToolButtonStyle(Qt::ToolButtonTextOnly);

    // Always on top and normal: one group, exactly one pressed.
    RzToolButton7()->setCheckable(true);
    RzToolButton8()->setCheckable(true);
    auto* stacking = new QButtonGroup(this);
    stacking->setObjectName(QStringLiteral("RzToolButton7Group"));
    stacking->setExclusive(true);
    stacking->addButton(RzToolButton7());
    stacking->addButton(RzToolButton8());
    RzToolButton7()->setChecked(true);
    paintTopmostCaptions(nullptr);

    RzRadioGroup3_ = new QGroupBox(RzToolbar1_);
    RzRadioGroup3_->setObjectName(QStringLiteral("RzRadioGroup3"));
    // 162 wide at least; wider when its two captions need it.
    RzRadioGroup3_->setMinimumWidth(162);
    RzRadioGroup3_->setFixedHeight(25);
    RzRadioGroup3_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* modes = new QHBoxLayout(RzRadioGroup3_);
    modes->setContentsMargins(6, 0, 2, 0);
    modes->setSpacing(4);
    RzRadioGroup3Items_ = new QButtonGroup(RzRadioGroup3_);
    RzRadioGroup3Items_->setObjectName(QStringLiteral("RzRadioGroup3Items"));
    const QString modeCaptions[] = {QStringLiteral("Másolás"), QStringLiteral("Áthelyezés")};
    for (int i = 0; i < 2; ++i) {
        QRadioButton* radio = makeRadio(
            RzRadioGroup3_, QStringLiteral("RzRadioGroup3_Item%1").arg(i), modeCaptions[i]);
        modes->addWidget(radio, 1);
        RzRadioGroup3Items_->addButton(radio, i);
    }
    RzRadioGroup3Items_->button(0)->setChecked(true);

    RzToolbar1_->addWidget(RzToolButton1());
    RzToolbar1_->addWidget(RzToolButton9());
    RzToolbar1_->addWidget(RzToolButton2());
    RzToolbar1_->addWidget(makeSpacer(RzToolbar1_, QStringLiteral("RzSpacer1")));
    RzToolbar1_->addWidget(RzToolButton3());
    RzToolbar1_->addWidget(makeSpacer(RzToolbar1_, QStringLiteral("RzSpacer2")));
    RzToolbar1_->addWidget(RzRadioGroup3_);
    RzToolbar1_->addWidget(makeSpacer(RzToolbar1_, QStringLiteral("RzSpacer3")));
    RzToolbar1_->addWidget(RzToolButton4());
    RzToolbar1_->addWidget(makeSpacer(RzToolbar1_, QStringLiteral("RzSpacer4")));
    RzToolbar1_->addWidget(RzToolButton5());
    RzToolbar1_->addWidget(RzToolButton6());
    RzToolbar1_->addWidget(makeSpacer(RzToolbar1_, QStringLiteral("RzSpacer5")));
    RzToolbar1_->addWidget(RzToolButton7());
    RzToolbar1_->addWidget(RzToolButton8());

    // Every handler runs guarded (app/guarded.h): an error it raises is shown in the standard
    // error box and the window goes on.
    const auto bind = [this](QToolButton* button, void (TForm1::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                guarded([this, handler] { (this->*handler)(); }));
    };
    bind(RzToolButton1(), &TForm1::RzToolButton1Click);
    bind(RzToolButton2(), &TForm1::RzToolButton2Click);
    bind(RzToolButton3(), &TForm1::RzToolButton3Click);
    bind(RzToolButton4(), &TForm1::RzToolButton4Click);
    bind(RzToolButton5(), &TForm1::RzToolButton5Click);
    bind(RzToolButton6(), &TForm1::RzToolButton6Click);
    bind(RzToolButton7(), &TForm1::RzToolButton7Click);
    bind(RzToolButton8(), &TForm1::RzToolButton8Click);
    bind(RzToolButton9(), &TForm1::preview);
    connect(RzRadioGroup3Items_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) RzRadioGroup3Changing(id);
    });
}

void TForm1::buildOutputFolderGroup(QWidget* parent) {
    RzGroupBox1_ = new QGroupBox(QStringLiteral("Kimeneti mappa"), parent);
    RzGroupBox1_->setObjectName(QStringLiteral("RzGroupBox1"));
    RzGroupBox1_->setFixedHeight(49);
    auto* row = new QHBoxLayout(RzGroupBox1_);
    row->setContentsMargins(8, 2, 8, 5);
    row->setSpacing(4);

    JvDirectoryEdit1_ = new QLineEdit(RzGroupBox1_);
    JvDirectoryEdit1_->setObjectName(QStringLiteral("JvDirectoryEdit1"));
    // 705 pixels (729 with its browse button) at the opening width; it follows the window's
    // width (TForm1::fitToWidth) and gives way when the window is made narrower.
    JvDirectoryEdit1_->setMinimumWidth(kEditMinimumWidth);
    JvDirectoryEdit1_->setMaximumWidth(kEditOpeningWidth);
    JvDirectoryEdit1Button_ = new QToolButton(RzGroupBox1_);
    JvDirectoryEdit1Button_->setObjectName(QStringLiteral("JvDirectoryEdit1Button"));
    JvDirectoryEdit1Button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    JvDirectoryEdit1Button_->setFixedSize(22, 21);
    Button1_ = new QPushButton(QStringLiteral("Kedvencekhez ad"), RzGroupBox1_);
    Button1_->setObjectName(QStringLiteral("Button1"));

    Button1_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addWidget(JvDirectoryEdit1_, 1);
    row->addWidget(JvDirectoryEdit1Button_);
    row->addSpacing(6);
    row->addWidget(Button1_);
    row->addStretch(0);

    connect(JvDirectoryEdit1Button_, &QToolButton::clicked, this,
            guarded([this] { browseOutputFolder(); }));
    connect(Button1_, &QPushButton::clicked, this, guarded([this] { Button1Click(); }));
    // A typed folder counts once editing ends (Enter, or the focus leaving the edit).
    connect(JvDirectoryEdit1_, &QLineEdit::editingFinished, this,
            [this] { settings_->takeTypedOutputFolder(); });
}

void TForm1::buildWorkList(QWidget* parent) {
    RzListView1_ = new QTreeWidget(parent);
    RzListView1_->setObjectName(QStringLiteral("RzListView1"));
    RzListView1_->setColumnCount(3);
    RzListView1_->setHeaderLabels(
        {QStringLiteral("Másolandó file"), QStringLiteral("Hiba"), QStringLiteral("Kimenet")});
    new WorkListColumns(RzListView1_);
    new WorkListView(RzListView1_);
    RzListView1_->header()->setSectionsMovable(false);
    RzListView1_->setRootIsDecorated(false);
    RzListView1_->setItemsExpandable(false);
    RzListView1_->setUniformRowHeights(true);
    RzListView1_->setAllColumnsShowFocus(true);
    RzListView1_->setSelectionMode(QAbstractItemView::SingleSelection);
    RzListView1_->setSelectionBehavior(QAbstractItemView::SelectRows);
    RzListView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RzListView1_->setTextElideMode(Qt::ElideMiddle);
    RzListView1_->setItemDelegate(new GridDelegate(RzListView1_));
    RzListView1_->setContextMenuPolicy(Qt::CustomContextMenu);
    // Files dropped from the file manager: the viewport takes them (the work-list controller
    // watches its drop events), the view's own drag and drop stays off.
    RzListView1_->setDragDropMode(QAbstractItemView::NoDragDrop);
    RzListView1_->viewport()->setAcceptDrops(true);
    connect(RzListView1_, &QTreeWidget::customContextMenuRequested, this,
            [this](QPoint at) { PopupMenu2_->popup(RzListView1_->viewport()->mapToGlobal(at)); });
}

void TForm1::buildOptions(QWidget* parent) {
    RzRadioGroup2_ = new BannerGroupBox(QStringLiteral("Opciók"), parent);
    RzRadioGroup2_->setObjectName(QStringLiteral("RzRadioGroup2"));
    RzRadioGroup2_->setFixedHeight(139);
    auto* row = new QHBoxLayout(RzRadioGroup2_);
    row->setContentsMargins(10, BannerGroupBox::kBannerHeight + 2, 10, 6);
    row->setSpacing(18);

    RzRadioGroup1_ = new QGroupBox(QStringLiteral("Átnevezés"), RzRadioGroup2_);
    RzRadioGroup1_->setObjectName(QStringLiteral("RzRadioGroup1"));
    RzRadioGroup1_->setFixedWidth(170);
    auto* schemes = new QVBoxLayout(RzRadioGroup1_);
    schemes->setContentsMargins(10, 4, 6, 6);
    schemes->setSpacing(3);
    RzRadioGroup1Items_ = new QButtonGroup(RzRadioGroup1_);
    RzRadioGroup1Items_->setObjectName(QStringLiteral("RzRadioGroup1Items"));
    const QString schemeCaptions[] = {QStringLiteral("Nincs átnevezés"),
                                      QStringLiteral("Szerzö-Cim"), QStringLiteral("Cim-Szerzö")};
    for (int i = 0; i < 3; ++i) {
        QRadioButton* radio = makeRadio(
            RzRadioGroup1_, QStringLiteral("RzRadioGroup1_Item%1").arg(i), schemeCaptions[i]);
        schemes->addWidget(radio);
        RzRadioGroup1Items_->addButton(radio, i);
    }
    schemes->addStretch(1);
    RzRadioGroup1Items_->button(1)->setChecked(true);

    auto* folders = new QVBoxLayout;
    folders->setSpacing(2);
    chknyelv_ = makeCheck(RzRadioGroup2_, QStringLiteral("chknyelv"),
                          QStringLiteral("Nyelvek szerint szetválogatás (fökönyvtár)"), false);
    chkszerzo_ = makeCheck(RzRadioGroup2_, QStringLiteral("chkszerzo"),
                           QStringLiteral("Szerzök szerint szétválogatás"), true);
    chkkonvcimmappa_ = makeCheck(RzRadioGroup2_, QStringLiteral("chkkonvcimmappa"),
                                 QStringLiteral("Könyv cime a almappa neve"), false);
    chksorozat_ = makeCheck(RzRadioGroup2_, QStringLiteral("chksorozat"),
                            QStringLiteral("Sorozatok mappa létrehozása"), false);
    chknone_ = makeCheck(RzRadioGroup2_, QStringLiteral("chknone"),
                         QStringLiteral("Nincs mappa létrehozás"), false);
    for (QCheckBox* check : {chknyelv_, chkszerzo_, chkkonvcimmappa_, chksorozat_, chknone_})
        folders->addWidget(check);
    folders->addStretch(1);
    connect(chknone_, &QCheckBox::toggled, this, [this] { chknoneClick(); });

    auto* favourites = new QVBoxLayout;
    favourites->setSpacing(3);
    Label1_ = new QLabel(QStringLiteral("Kedvencek:"), RzRadioGroup2_);
    Label1_->setObjectName(QStringLiteral("Label1"));
    ComboBox1_ = new QComboBox(RzRadioGroup2_);
    ComboBox1_->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1_->setEditable(false);
    ComboBox1_->setFixedWidth(353);
    ComboBox1_->setCurrentIndex(-1);
    favourites->addWidget(Label1_);
    favourites->addWidget(ComboBox1_);
    favourites->addStretch(1);
    connect(ComboBox1_, &QComboBox::activated, this, guarded([this] { ComboBox1Change(); }));

    row->addWidget(RzRadioGroup1_);
    row->addLayout(folders);
    row->addStretch(1);
    row->addLayout(favourites);
}

void TForm1::buildStatusBar() {
    RzStatusBar1_ = new QStatusBar(this);
    RzStatusBar1_->setObjectName(QStringLiteral("RzStatusBar1"));
    RzStatusBar1_->setFixedHeight(19);
    RzStatusBar1_->setSizeGripEnabled(false);
    setStatusBar(RzStatusBar1_);

    RzStatusPane1_ = new QLabel(RzStatusBar1_);
    RzStatusPane1_->setObjectName(QStringLiteral("RzStatusPane1"));
    RzStatusPane1_->setFixedWidth(300);
    RzProgressStatus1_ = new QProgressBar(RzStatusBar1_);
    RzProgressStatus1_->setObjectName(QStringLiteral("RzProgressStatus1"));
    RzProgressStatus1_->setFixedSize(100, 15);
    RzProgressStatus1_->setRange(0, 100);
    RzProgressStatus1_->setValue(0);
    RzProgressStatus1_->setTextVisible(true);
    RzProgressStatus1_->setFormat(QStringLiteral("%p%"));
    RzProgressStatus1_->setAlignment(Qt::AlignCenter);
    RzStatusPane2_ = new QLabel(RzStatusBar1_);
    RzStatusPane2_->setObjectName(QStringLiteral("RzStatusPane2"));
    // 480 wide when the window has room; it gives way first when the window is made narrower.
    RzStatusPane2_->setMinimumWidth(120);
    RzStatusPane2_->setMaximumWidth(480);
    for (QLabel* pane : {RzStatusPane1_, RzStatusPane2_}) {
        pane->setTextFormat(Qt::PlainText);
        pane->setContentsMargins(4, 0, 4, 0);
    }
    RzStatusBar1_->addWidget(RzStatusPane1_);
    RzStatusBar1_->addWidget(RzProgressStatus1_);
    RzStatusBar1_->addWidget(RzStatusPane2_, 1);
    statusSummary_ = new StatusSummary(RzStatusPane2_, RzStatusBar1_);
    RzStatusBar1_->addWidget(statusSummary_, 1);
    // The counts are those of the rows shown: emptying the list takes them away.
    connect(RzListView1_->model(), &QAbstractItemModel::modelReset, statusSummary_,
            &StatusSummary::clearSummary);
    connect(RzListView1_->model(), &QAbstractItemModel::rowsRemoved, statusSummary_,
            &StatusSummary::clearSummary);

    // The second pane's text blinks.
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setObjectName(QStringLiteral("RzStatusPane2Blink"));
    blinkTimer_->setInterval(500);
    connect(blinkTimer_, &QTimer::timeout, this, [this] {
        blinkOn_ = !blinkOn_;
        QPalette pane = RzStatusPane2_->palette();
        const QColor text = palette().color(QPalette::WindowText);
        pane.setColor(QPalette::WindowText, blinkOn_ ? text : QColor(Qt::transparent));
        RzStatusPane2_->setPalette(pane);
    });
    blinkTimer_->start();
}

void TForm1::buildPopupMenu() {
    PopupMenu2_ = new QMenu(this);
    PopupMenu2_->setObjectName(QStringLiteral("PopupMenu2"));
    Listatrlse1_ = makeAction(this, QStringLiteral("Listatrlse1"), QStringLiteral("Lista törlése"));
    Msols2_ = makeAction(this, QStringLiteral("Msols2"), QStringLiteral("Másolás"));
    thelyezs2_ = makeAction(this, QStringLiteral("thelyezs2"), QStringLiteral("Áthelyezés"));
    Filemegnyits1_ =
        makeAction(this, QStringLiteral("Filemegnyits1"), QStringLiteral("File megnyitás"));
    teszt1_ =
        makeAction(this, QStringLiteral("teszt1"), QStringLiteral("Átmasolt file megnyitasa"));
    undoLastRunAction_ = makeAction(this, QStringLiteral("Utolsfutsvisszavonsa1"),
                                    QStringLiteral("Utolsó futás visszavonása"));
    // Their captions are the catalogue's, set with the tooltips (tool_tips.h).
    previewAction_ = makeAction(this, QStringLiteral("Elnzet1"), QString());
    failuresOnlyAction_ = makeAction(this, QStringLiteral("Csakahibssorok1"), QString());
    failuresOnlyAction_->setCheckable(true);
    Msols2_->setCheckable(true);
    thelyezs2_->setCheckable(true);
    transferActions_ = new QActionGroup(this);
    transferActions_->setExclusive(true);
    transferActions_->addAction(Msols2_);
    transferActions_->addAction(thelyezs2_);
    Msols2_->setChecked(true);

    PopupMenu2_->addAction(Listatrlse1_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(Msols2_);
    PopupMenu2_->addAction(thelyezs2_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(Filemegnyits1_);
    PopupMenu2_->addAction(teszt1_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(undoLastRunAction_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(previewAction_);
    PopupMenu2_->addAction(failuresOnlyAction_);

    const auto bind = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this,
                guarded([this, handler] { (this->*handler)(); }));
    };
    bind(Listatrlse1_, &TForm1::Listatrlse1Click);
    bind(Msols2_, &TForm1::Msols2Click);
    bind(thelyezs2_, &TForm1::thelyezs2Click);
    bind(Filemegnyits1_, &TForm1::Filemegnyits1Click);
    bind(teszt1_, &TForm1::teszt1Click);
    bind(undoLastRunAction_, &TForm1::undoLastRun);
    bind(previewAction_, &TForm1::preview);
    connect(failuresOnlyAction_, &QAction::toggled, this,
            [this](bool on) { failuresOnlyToggled(on); });
}

void TForm1::buildShortcuts() {
    // F4: always on top, as its button does. F5: to the corner of the last screen.
    auto* topmost = new QShortcut(QKeySequence(Qt::Key_F4), this);
    topmost->setObjectName(QStringLiteral("F4Shortcut"));
    connect(topmost, &QShortcut::activated, this, [this] { RzToolButton7Click(); });
    auto* corner = new QShortcut(QKeySequence(Qt::Key_F5), this);
    corner->setObjectName(QStringLiteral("F5Shortcut"));
    connect(corner, &QShortcut::activated, this, [this] { placeAtLastScreenCorner(); });
}

}  // namespace app
