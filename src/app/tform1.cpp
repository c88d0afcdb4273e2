#include "app/tform1.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <exception>

#include "app/application.h"
#include "app/apply_language.h"
#include "app/dialogs.h"
#include "app/empty_folders_command.h"
#include "app/handover.h"
#include "app/run_controller.h"
#include "app/settings_controller.h"
#include "app/tsplash.h"
#include "app/window_font.h"
#include "epub/path_text_qt.h"
#include "organise/collection.h"
#include "organise/extension.h"
#include "platform/file_manager.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "shell/shell_verbs.h"

// The window's pictures live in a static library, whose resources are not registered by
// themselves; Q_INIT_RESOURCE must be called outside any namespace.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace app {

// Keeps the list's repainting to screen rate while rows arrive in a burst (a folder search, a
// drop); see TForm1::refresh.
class ListBatch {
public:
    explicit ListBatch(TForm1& form) : form_(form) { form_.beginBatch(); }
    ~ListBatch() { form_.endBatch(); }
    ListBatch(const ListBatch&) = delete;
    ListBatch& operator=(const ListBatch&) = delete;

private:
    TForm1& form_;
};

namespace {

// A screen frame: the list and the status texts are not repainted more often than this.
constexpr qint64 kFrameMs = 16;

// The work list's grid lines: each cell gets a line on its right and bottom edges.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight).darker(108));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 17));
        return size;
    }
};

// The options group: its caption is drawn as a banner across the top instead of a frame title.
class BannerGroupBox : public QGroupBox {
public:
    static constexpr int kBannerHeight = 18;
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect frame = rect().adjusted(0, 0, -1, -1);
        p.setPen(palette().color(QPalette::Mid));
        p.setBrush(palette().color(QPalette::Window));
        p.drawRect(frame);
        const QRect banner(1, 1, width() - 2, kBannerHeight);
        QLinearGradient fill(banner.topLeft(), banner.bottomLeft());
        const QColor base = palette().color(QPalette::Highlight);
        fill.setColorAt(0, base.lighter(125));
        fill.setColorAt(1, base.darker(115));
        p.fillRect(banner, fill);
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(palette().color(QPalette::HighlightedText));
        p.drawText(banner.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, title());
    }
};

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

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent),
      search_(std::make_unique<organise::FolderSearch>()),
      settings_(std::make_unique<SettingsController>(this, state_)),
      run_(std::make_unique<RunController>(this, state_)) {
    registerIcons();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Epub polcaro"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/open_folder.svg")));
    setFont(windowFont());
    setContextMenuPolicy(Qt::NoContextMenu);

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

    resize(881, 452);
    handOver_ = std::make_unique<HandOverServer>(*this);
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------------------------------------
// Building the window

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

    RzToolButton1()->setIcon(QIcon(QStringLiteral(":/icons/play.svg")));
    RzToolButton2()->setIcon(QIcon(QStringLiteral(":/icons/stop.svg")));
    RzToolButton3()->setIcon(QIcon(QStringLiteral(":/icons/open_folder.svg")));
    RzToolButton4()->setIcon(QIcon(QStringLiteral(":/icons/dustbin.svg")));
    for (QToolButton* b : {RzToolButton1(), RzToolButton2(), RzToolButton3()}) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setFixedSize(25, 25);
    }
    RzToolButton4()->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    RzToolButton4()->setText(QStringLiteral("Ures könyvtárak törlése"));
    RzToolButton4()->setFixedWidth(143);
    RzToolButton5()->setText(QStringLiteral("Regisztráció"));
    RzToolButton5()->setFixedWidth(70);
    RzToolButton6()->setText(QStringLiteral("Regisztráció törlése"));
    RzToolButton6()->setFixedWidth(106);
    RzToolButton7()->setText(QStringLiteral("Mindig legfelul"));
    RzToolButton7()->setFixedWidth(79);
    RzToolButton8()->setText(QStringLiteral("Normál"));
    RzToolButton8()->setFixedWidth(45);
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
    RzRadioGroup3_->setFixedSize(162, 25);
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

    // Every handler runs inside a guard: an error it raises is shown in the standard error box
    // and the window goes on.
    const auto bind = [this](QToolButton* button, void (TForm1::*handler)()) {
        connect(button, &QToolButton::clicked, this, [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& error) {
                showHandlerError(QString::fromUtf8(error.what()));
            }
        });
    };
    bind(RzToolButton1(), &TForm1::RzToolButton1Click);
    bind(RzToolButton2(), &TForm1::RzToolButton2Click);
    bind(RzToolButton3(), &TForm1::RzToolButton3Click);
    bind(RzToolButton4(), &TForm1::RzToolButton4Click);
    bind(RzToolButton5(), &TForm1::RzToolButton5Click);
    bind(RzToolButton6(), &TForm1::RzToolButton6Click);
    bind(RzToolButton7(), &TForm1::RzToolButton7Click);
    bind(RzToolButton8(), &TForm1::RzToolButton8Click);
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
    JvDirectoryEdit1_->setFixedWidth(729 - 24);
    JvDirectoryEdit1Button_ = new QToolButton(RzGroupBox1_);
    JvDirectoryEdit1Button_->setObjectName(QStringLiteral("JvDirectoryEdit1Button"));
    JvDirectoryEdit1Button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    JvDirectoryEdit1Button_->setFixedSize(22, 21);
    Button1_ = new QPushButton(QStringLiteral("Kedvencekhez ad"), RzGroupBox1_);
    Button1_->setObjectName(QStringLiteral("Button1"));

    row->addWidget(JvDirectoryEdit1_);
    row->addWidget(JvDirectoryEdit1Button_);
    row->addSpacing(6);
    row->addWidget(Button1_);
    row->addStretch(1);

    connect(JvDirectoryEdit1Button_, &QToolButton::clicked, this, [this] {
        try {
            browseOutputFolder();
        } catch (const std::exception& error) {
            showHandlerError(QString::fromUtf8(error.what()));
        }
    });
    connect(Button1_, &QPushButton::clicked, this, [this] {
        try {
            Button1Click();
        } catch (const std::exception& error) {
            showHandlerError(QString::fromUtf8(error.what()));
        }
    });
}

void TForm1::buildWorkList(QWidget* parent) {
    RzListView1_ = new QTreeWidget(parent);
    RzListView1_->setObjectName(QStringLiteral("RzListView1"));
    RzListView1_->setColumnCount(3);
    RzListView1_->setHeaderLabels(
        {QStringLiteral("Másolandó file"), QStringLiteral("Hiba"), QStringLiteral("Kimenet")});
    RzListView1_->setColumnWidth(0, 500);
    RzListView1_->setColumnWidth(1, 360);
    RzListView1_->setColumnWidth(2, 100);
    RzListView1_->header()->setStretchLastSection(false);
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
    // Files dropped from the file manager: the viewport takes them, the view's own drag and
    // drop stays off.
    RzListView1_->setDragDropMode(QAbstractItemView::NoDragDrop);
    RzListView1_->viewport()->setAcceptDrops(true);
    RzListView1_->viewport()->installEventFilter(this);
    RzListView1_->installEventFilter(this);
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
    connect(ComboBox1_, &QComboBox::activated, this, [this] {
        try {
            ComboBox1Change();
        } catch (const std::exception& error) {
            showHandlerError(QString::fromUtf8(error.what()));
        }
    });

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

    const auto bind = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& error) {
                showHandlerError(QString::fromUtf8(error.what()));
            }
        });
    };
    bind(Listatrlse1_, &TForm1::Listatrlse1Click);
    bind(Msols2_, &TForm1::Msols2Click);
    bind(thelyezs2_, &TForm1::thelyezs2Click);
    bind(Filemegnyits1_, &TForm1::Filemegnyits1Click);
    bind(teszt1_, &TForm1::teszt1Click);
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

// ---------------------------------------------------------------------------------------------
// State and helpers

QString TForm1::text(const QString& hungarian, const QString& english) const {
    return state_.englishUi ? english : hungarian;
}

int TForm1::transferMode() const {
    return std::max(0, RzRadioGroup3Items_->checkedId());
}

void TForm1::setSplash(TSplash* splash) {
    splash_ = splash;
}

void TForm1::processPendingMessages() {
    QCoreApplication::processEvents();
}

QString TForm1::handOverAddress() const {
    return handOver_ ? handOver_->address() : QString();
}

QColor TForm1::activeCaptionColour() {
    return QColor(Qt::red);
}

QColor TForm1::highlightCaptionColour() const {
    return QApplication::palette().color(QPalette::Highlight);
}

QColor TForm1::captionColour(QToolButton* button) const {
    return button->palette().color(QPalette::ButtonText);
}

void TForm1::setStatusPane1(const QString& text) {
    pendingPane1_ = text;
    pane1Dirty_ = false;
    RzStatusPane1_->setText(text);
}

QStringList TForm1::rowPaths() const {
    QStringList paths;
    const int rows = RzListView1_->topLevelItemCount();
    paths.reserve(rows);
    for (int i = 0; i < rows; ++i) paths << RzListView1_->topLevelItem(i)->text(0);
    return paths;
}

QTreeWidgetItem* TForm1::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = RzListView1_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void TForm1::FormCreate(const QStringList& arguments) {
    try {
        state_.englishUi = false;
        settings_->fixSettingsFolder();
        applyLanguageStep(this, splash_, state_, QCoreApplication::applicationDirPath());
        settings_->loadOutputFolder();
        switch (settings_->firstRunPrompt()) {
            case SettingsController::FirstRun::Quit:
                requestQuit();
                return;
            case SettingsController::FirstRun::Dismissed:
                return;
            case SettingsController::FirstRun::NotNeeded:
            case SettingsController::FirstRun::Chosen:
                break;
        }
        if (state_.outputFolder.isEmpty()) return;
        settings_->prepareOutputFolder();
        RzToolButton7Click();
        placeAtLastScreenCorner();
        settings_->loadFavourites();
        if (!arguments.isEmpty()) actOnPath(arguments.first());
    } catch (const std::exception& error) {
        dialogs().error(this, QString::fromUtf8(error.what()));
    }
}

void TForm1::FormDestroy() {
    settings_->FormDestroy();
}

void TForm1::placeAtLastScreenCorner() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return;
    // The last screen's size alone decides; its origin in the virtual desktop is not added.
    const QRect last = screens.last()->geometry();
    const QSize outer = frameGeometry().size();
    move(last.width() - outer.width(), last.height() - outer.height());
}

bool TForm1::isTopmost() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void TForm1::setTopmost(bool on) {
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // setWindowFlags would hide and re-create the native window; changing the flag on the
    // existing one keeps the window where it is, at its size.
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle()) window->setFlags(flags);
}

void TForm1::paintTopmostCaptions(QToolButton* active) {
    for (QToolButton* button : {RzToolButton7(), RzToolButton8()}) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText,
                         button == active ? activeCaptionColour() : highlightCaptionColour());
        button->setPalette(palette);
    }
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TForm1::RzToolButton1Click() {
    run_->RzToolButton1Click();
}

void TForm1::RzToolButton2Click() {
    run_->RzToolButton2Click();
}

void TForm1::RzToolButton3Click() {
    Listatrlse1Click();
    if (const std::optional<QString> folder = dialogs().pickFolder(this, QString()))
        SearchFolder(nativePath(*folder));
    setStatusPane1(organise::scanCompleteText(state_.englishUi));
}

void TForm1::RzToolButton4Click() {
    runEmptyFoldersCommand(this, state_.englishUi);
}

void TForm1::RzToolButton5Click() {
    shell::RunVerbCommand(true, reinterpret_cast<platform::WindowHandle>(winId()),
                          [this] { processPendingMessages(); });
}

void TForm1::RzToolButton6Click() {
    shell::RunVerbCommand(false, reinterpret_cast<platform::WindowHandle>(winId()),
                          [this] { processPendingMessages(); });
}

void TForm1::RzToolButton7Click() {
    setTopmost(true);
    RzToolButton7()->setChecked(true);
    paintTopmostCaptions(RzToolButton7());
}

void TForm1::RzToolButton8Click() {
    setTopmost(false);
    RzToolButton8()->setChecked(true);
    paintTopmostCaptions(RzToolButton8());
}

void TForm1::RzRadioGroup3Changing(int newIndex) {
    if (newIndex < 0 || newIndex > 1) return;
    RzRadioGroup3Items_->button(newIndex)->setChecked(true);
    (newIndex == 0 ? Msols2_ : thelyezs2_)->setChecked(true);
}

void TForm1::JvDirectoryEdit1BeforeDialog() {}

void TForm1::browseOutputFolder() {
    JvDirectoryEdit1BeforeDialog();
    const std::optional<QString> folder = dialogs().pickFolder(this, JvDirectoryEdit1_->text());
    JvDirectoryEdit1AfterDialog(folder ? nativePath(*folder) : QString(), folder.has_value());
}

void TForm1::JvDirectoryEdit1AfterDialog(const QString& folder, bool accepted) {
    settings_->JvDirectoryEdit1AfterDialog(folder, accepted);
}

void TForm1::Button1Click() {
    settings_->Button1Click();
}

void TForm1::ComboBox1Change() {
    settings_->ComboBox1Change();
}

void TForm1::chknoneClick() {
    const bool folders = !chknone_->isChecked();
    for (QCheckBox* check : {chksorozat_, chknyelv_, chkkonvcimmappa_, chkszerzo_})
        check->setEnabled(folders);
}

void TForm1::Listatrlse1Click() {
    RzListView1_->clear();
}

void TForm1::Msols2Click() {
    RzRadioGroup3Changing(0);
}

void TForm1::thelyezs2Click() {
    RzRadioGroup3Changing(1);
}

void TForm1::Filemegnyits1Click() {
    if (QTreeWidgetItem* row = selectedRow()) ShowInExplorer(row->text(0));
}

void TForm1::teszt1Click() {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    const QString output = row->text(2);
    if (!output.isEmpty() && platform::fileExists(output.toStdString()))
        ShowInExplorer(output);
    else
        dialogs().message(this, text(QStringLiteral("A file még nem került másolásra"),
                                     QStringLiteral("The file has not been copied yet")));
}

// ---------------------------------------------------------------------------------------------
// Work list

void TForm1::ShowInExplorer(const QString& path) {
    platform::showInFileManager(path.toStdString());
}

void TForm1::AddFileToList(const QString& path) {
    if (!organise::hasEpubExtension(path)) return;
    RzListView1_->addTopLevelItem(new QTreeWidgetItem(QStringList{path, QString(), QString()}));
    const QString name =
        epub::fromPlatformPath(platform::lastComponent(epub::toPlatformPath(path)));
    if (splash_) {
        pendingSplashName_ = name;
        splashDirty_ = true;
    }
    pendingPane1_ = name;
    pane1Dirty_ = true;
    refresh(batchDepth_ == 0);
    // Pending messages are handled after every row, also while rows arrive in a burst: that
    // keeps the window answering (stop, clear, another drop) during a long search.
    if (splash_) processPendingMessages();
}

void TForm1::JvSearchFiles1FindFile(const QString& path) {
    AddFileToList(path);
    pendingPane1_ = organise::countText(RzListView1_->topLevelItemCount(), state_.englishUi);
    pane1Dirty_ = true;
    refresh(batchDepth_ == 0);
}

bool TForm1::searching() const {
    return search_->running();
}

void TForm1::SearchFolder(const QString& folder) {
    if (search_->running()) return;
    ListBatch batch(*this);
    search_->run(folder, [this](const QString& path) { JvSearchFiles1FindFile(path); });
}

void TForm1::actOnPath(const QString& path) {
    if (path.isEmpty()) return;
    const std::string native = path.toStdString();
    if (platform::folderExists(native))
        SearchFolder(path);
    else if (platform::fileExists(native))
        AddFileToList(path);
}

void TForm1::handOverPath(const QString& path) {
    actOnPath(path);
}

void TForm1::JvDragDrop1Drop(const QStringList& paths) {
    Listatrlse1Click();
    ListBatch batch(*this);
    for (const QString& path : paths) {
        if (platform::folderExists(path.toStdString())) {
            // Loading windows of earlier drops are hidden for good; only the newest is kept.
            for (TSplash* old : findChildren<TSplash*>(QString(), Qt::FindDirectChildrenOnly))
                if (!old->isVisible() && old != splash_) old->deleteLater();
            QPointer<TSplash> loading = new TSplash(this);
            setSplash(loading);
            loading->show();
            loading->repaint();
            try {
                SearchFolder(path);
            } catch (...) {
                if (loading) loading->hide();
                throw;
            }
            if (loading) loading->hide();
        } else if (organise::hasEpubExtension(path)) {
            AddFileToList(path);
        }
    }
    setStatusPane1(organise::scanCompleteText(state_.englishUi));
}

void TForm1::beginBatch() {
    ++batchDepth_;
}

void TForm1::endBatch() {
    if (--batchDepth_ == 0) refresh(true);
}

void TForm1::refresh(bool force) {
    if (!force && batchDepth_ > 0 && lastRefresh_.isValid() && lastRefresh_.elapsed() < kFrameMs) {
        // Between frames the list neither paints nor lays itself out again (see eventFilter);
        // a list of many thousand rows would otherwise be laid out once per added row.
        if (RzListView1_->updatesEnabled()) RzListView1_->setUpdatesEnabled(false);
        return;
    }
    if (!RzListView1_->updatesEnabled()) RzListView1_->setUpdatesEnabled(true);
    if (splashDirty_ && splash_) splash_->Label3()->setText(pendingSplashName_);
    splashDirty_ = false;
    if (pane1Dirty_) RzStatusPane1_->setText(pendingPane1_);
    pane1Dirty_ = false;
    lastRefresh_.restart();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RzListView1_ && event->type() == QEvent::Timer && batchDepth_ > 0 &&
        !RzListView1_->updatesEnabled()) {
        // The view's delayed re-layout waits for the next frame. Should no row arrive for a
        // frame (a modal box opened by a nested command), the list wakes up by itself.
        if (lastRefresh_.elapsed() < kFrameMs) return true;
        RzListView1_->setUpdatesEnabled(true);
    }
    if (watched == RzListView1_->viewport()) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                return listDrop(event);
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::listDrop(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    QStringList paths;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths << nativePath(url.toLocalFile());
    }
    if (paths.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) {
        // Acted on once the drag has ended, so the file manager is not kept waiting while a
        // large folder is searched.
        QMetaObject::invokeMethod(
            this,
            [this, paths] {
                try {
                    JvDragDrop1Drop(paths);
                } catch (const std::exception& error) {
                    showHandlerError(QString::fromUtf8(error.what()));
                }
            },
            Qt::QueuedConnection);
    }
    return true;
}

}  // namespace app
