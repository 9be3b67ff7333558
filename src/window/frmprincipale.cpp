#include "frmprincipale.h"

#include "acquisition/modquelbin.h"
#include "acquisition/quelbinlibrary.h"
#include "clickableslider.h"
#include "commandcombobox.h"
#include "commands/modcommandes.h"
#include "datatypes/fixedwidth.h"
#include "datatypes/modtypesdonnees.h"
#include "datatypes/numbertext.h"
#include "errorreport.h"
#include "platform/runtimeerror.h"
#include "platform/windowfont.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <array>

namespace {

frmPrincipale* theInstance = nullptr;

// The window was designed in twips: at 96 dots per inch, 15 twips a pixel.
constexpr int twipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel; // to the nearest pixel
}

struct TwipsRect {
    const char* name; // the control's name, UTF-8
    int left;
    int top;
    int width;
    int height;
};

constexpr int clientWidth = 6915;
constexpr int clientHeight = 5100;

// The controls in the order of their tab index, as designed.
constexpr std::array<TwipsRect, 9> designedControls{{
    {"cmdExécute", 3240, 3960, 1335, 975},
    {"lblAcquiConnecté", 240, 120, 3255, 255},
    {"lblNbDevices", 3720, 120, 3135, 255},
    {"cmbCommandes", 240, 4560, 2895, 315},
    {"lblNbCommandes", 360, 4080, 2535, 255},
    {"cmbSourceSurveillée", 240, 480, 2655, 315},
    {"lstRawData", 240, 1320, 6375, 2205},
    {"sliRefresh", 4800, 3960, 1815, 135},
    {"lblRefresh", 4800, 4440, 1935, 255},
}};

QRect toPixels(const TwipsRect& r) {
    return {twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
            twipsToPixels(r.height)};
}

QLabel* makeLabel(QWidget* parent, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

constexpr std::int32_t millisecondsPerStep = 200;
constexpr std::int16_t placeholderEntries = 32;

} // namespace

frmPrincipale::frmPrincipale(QWidget* parent) : QWidget(parent) {
    Q_ASSERT(!theInstance);
    theInstance = this;
    setObjectName(QStringLiteral("frmPrincipale"));
    setWindowTitle(QStringLiteral("Solvane (TM)"));
    // The window keeps its designed size: no maximise button.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The designed positions and sizes were measured with this font's metrics.
    setFont(platform::windowFont());
    setFixedSize(twipsToPixels(clientWidth), twipsToPixels(clientHeight));
    createControls();
    connectHandlers();
    window::runHandler([this] { Form_Load(); });
}

frmPrincipale::~frmPrincipale() {
    // A window destroyed while shown is closed by ~QWidget, after this class
    // is gone; the focus leaving a control then must run no handler.
    for (QObject* control : children())
        control->disconnect(this);
    if (theInstance == this)
        theInstance = nullptr;
}

frmPrincipale& frmPrincipale::instance() {
    Q_ASSERT(theInstance);
    return *theInstance;
}

void frmPrincipale::createControls() {
    cmdExécute = new QPushButton(QStringLiteral("Exécuter"), this);
    lblAcquiConnecté = makeLabel(this, QStringLiteral("Module d'acquisition:"));
    lblNbDevices = makeLabel(this, QStringLiteral("Nombre de senseurs: "));
    cmbCommandes = new CommandComboBox(this);
    lblNbCommandes = makeLabel(this, QStringLiteral("Nombre de commandes: "));
    cmbSourceSurveillée = new WholeEntryComboBox(this);
    lstRawData = new RawDataLogView(this);
    sliRefresh = new ClickableSlider(Qt::Horizontal, this);
    lblRefresh = makeLabel(this, QStringLiteral("Rafraîchi..."));
    tmrMiseÀJour = new QTimer(this);
    tmrMiseÀJour->setObjectName(QStringLiteral("tmrMiseÀJour"));

    // Entry k of each list is item k of the module: never sort.
    lstRawData->setSelectionMode(QAbstractItemView::SingleSelection);
    // Enter presses the focused button as well as Space, as on the designed
    // platform.
    cmdExécute->setAutoDefault(true);

    // Its tooltip says why the module reads as it does (eventFilter).
    lblAcquiConnecté->installEventFilter(this);

    sliRefresh->setRange(1, 5);
    sliRefresh->setSingleStep(1);
    sliRefresh->setPageStep(5);

    const std::array<QWidget*, designedControls.size()> inTabOrder{
        cmdExécute,          lblAcquiConnecté, lblNbDevices, cmbCommandes, lblNbCommandes,
        cmbSourceSurveillée, lstRawData,       sliRefresh,   lblRefresh};
    QWidget* previousFocusable = nullptr;
    for (std::size_t i = 0; i < inTabOrder.size(); ++i) {
        QWidget* control = inTabOrder[i];
        control->setObjectName(QString::fromUtf8(designedControls[i].name));
        control->setGeometry(toPixels(designedControls[i]));
        if (control->focusPolicy() == Qt::NoFocus)
            continue; // labels never take the focus
        if (previousFocusable)
            setTabOrder(previousFocusable, control);
        previousFocusable = control;
    }
}

template <typename Sender, typename Signal>
void frmPrincipale::wire(Sender* sender, Signal signal, void (frmPrincipale::*handler)()) {
    connect(sender, signal, this,
            [this, handler] { window::runHandler([this, handler] { (this->*handler)(); }); });
}

void frmPrincipale::connectHandlers() {
    wire(tmrMiseÀJour, &QTimer::timeout, &frmPrincipale::tmrMiseÀJour_Timer);
    wire(sliRefresh, &ClickableSlider::clicked, &frmPrincipale::sliRefresh_Click);
    // Only the operator changes the selection: the modules change the list
    // with its signals blocked.
    wire(cmbSourceSurveillée, &QComboBox::currentIndexChanged,
         &frmPrincipale::cmbSourceSurveillée_Change);
    wire(cmbSourceSurveillée, &QComboBox::activated, &frmPrincipale::cmbSourceSurveillée_Click);
    wire(cmbCommandes, &CommandComboBox::textEditedByUser, &frmPrincipale::cmbCommandes_Change);
    wire(cmbCommandes, &QComboBox::activated, &frmPrincipale::cmbCommandes_Click);
    wire(cmbCommandes, &CommandComboBox::focusLost, &frmPrincipale::cmbCommandes_LostFocus);
    wire(cmdExécute, &QPushButton::clicked, &frmPrincipale::cmdExécute_Click);
}

bool frmPrincipale::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lblAcquiConnecté || event->type() != QEvent::ToolTip)
        return QWidget::eventFilter(watched, event);
    // Asked of the library only when the operator points at the label, so
    // that a tick costs nothing more; on the window's thread, like every call.
    const QPoint where = static_cast<QHelpEvent*>(event)->globalPos();
    window::runHandler([this, where] {
        const QString text = modQuelbin::ModuleStatusText();
        // The library's words as written, even those Qt would take for markup.
        QToolTip::showText(
            where,
            Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text,
            lblAcquiConnecté);
    });
    return true;
}

void frmPrincipale::Form_Load() {
    {
        const QSignalBlocker quiet(cmbSourceSurveillée);
        for (std::int16_t i = 0; i < placeholderEntries; ++i)
            cmbSourceSurveillée->insertItem(i, numberText::decimalText(i));
        // Qt chooses the first entry of a filled list by itself; none is chosen.
        cmbSourceSurveillée->setCurrentIndex(-1);
    }
    modQuelbin::InitDeviceCount();
    modTypesDonnées::InitDeviceTypes();
    modQuelbin::InitWatchedSource();
    modQuelbin::ShowModuleStatus();
    modCommandes::InitCommands();
    ValidateCommandIndex();
    const std::int32_t middle =
        fixedWidth::checkedAdd32(sliRefresh->minimum(), sliRefresh->maximum()) / 2;
    sliRefresh->setValue(middle);
    ApplyRefreshRate();
    tmrMiseÀJour->start();
}

void frmPrincipale::tmrMiseÀJour_Timer() {
    modQuelbin::ShowModuleStatus();
    modQuelbin::ShowDeviceCount();
    modQuelbin::RefreshDeviceList();
    modCommandes::RefreshCommandList();
    modQuelbin::AppendRawData();
}

void frmPrincipale::sliRefresh_Click() {
    ApplyRefreshRate();
}

void frmPrincipale::ApplyRefreshRate() {
    const std::int32_t value = sliRefresh->value();
    const std::int16_t interval =
        fixedWidth::toInt16(fixedWidth::checkedMul32(value, millisecondsPerStep));
    if (interval < 0)
        platform::raise(platform::ErrorNumber::InvalidControlValue); // the timer refuses it
    tmrMiseÀJour->setInterval(interval);
    if (interval == 0)
        platform::raise(platform::ErrorNumber::DivisionByZero);
    const double rate = numberText::roundHalfEven2(1000.0 / interval);
    lblRefresh->setText(QStringLiteral("Rafraîchi ") + numberText::shortestText(rate) +
                        QStringLiteral("/ fois sec."));
}

void frmPrincipale::cmbSourceSurveillée_Change() {
    modQuelbin::SetWatchedSource(fixedWidth::toInt16(cmbSourceSurveillée->currentIndex()));
}

void frmPrincipale::cmbSourceSurveillée_Click() {
    cmbSourceSurveillée_Change(); // choosing an entry does the same
}

void frmPrincipale::cmbCommandes_Change() {
    ValidateCommandIndex();
}

void frmPrincipale::cmbCommandes_Click() {
    ValidateCommandIndex();
}

void frmPrincipale::cmbCommandes_LostFocus() {
    ValidateCommandIndex();
}

void frmPrincipale::ValidateCommandIndex() {
    cmdExécute->setEnabled(cmbCommandes->currentIndex() != -1);
    cmbCommandes->setEnabled(cmbCommandes->count() > 0);
}

void frmPrincipale::cmdExécute_Click() {
    // Only the chosen position is sent, never typed text; nothing is shown.
    const std::int16_t chosen = fixedWidth::toInt16(cmbCommandes->currentIndex());
    quelbin::addCommand(chosen);
}
