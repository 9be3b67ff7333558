#include "modquelbin.h"

#include "datatypes/fixedwidth.h"
#include "datatypes/modconversion.h"
#include "datatypes/modtypesdonnees.h"
#include "datatypes/numbertext.h"
#include "modulereading.h"
#include "quelbinlibrary.h"
#include "window/frmprincipale.h"
#include "window/messagebox.h"

#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

namespace modQuelbin {

namespace {

std::int16_t knownDeviceCount = 0;
std::int16_t watchedSource = -1;

QString sensorEntry(std::int16_t index, const QString& name, modTypesDonnées::DataType code) {
    return QStringLiteral("(") + numberText::decimalText(index) + QStringLiteral(") ") + name +
           QStringLiteral(" [") + modTypesDonnées::DataTypeName(code) + QStringLiteral("]");
}

} // namespace

void InitDeviceCount() {
    SetKnownDeviceCount(0);
}
void SetKnownDeviceCount(std::int16_t count) {
    knownDeviceCount = count;
}
std::int16_t GetKnownDeviceCount() {
    return knownDeviceCount;
}

void InitWatchedSource() {
    SetWatchedSource(-1);
}
void SetWatchedSource(std::int16_t index) {
    watchedSource = index;
}
std::int16_t GetWatchedSource() {
    return watchedSource;
}

void ShowModuleStatus() {
    const bool connected = quelbin::getNbAcqui() > 0;
    frmPrincipale::instance().lblAcquiConnecté->setText(
        QStringLiteral("Module d'acquisition: ") +
        (connected ? QStringLiteral("connecté") : QStringLiteral("déconnecté")));
}

QString ModuleStatusText() {
    quelbin::NameBuffer text{};
    if (!quelbin::getStatusText(text))
        return {};
    return quelbin::nameText(text);
}

void ShowDeviceCount() {
    frmPrincipale::instance().lblNbDevices->setText(
        QStringLiteral("Nb. senseurs: ") + numberText::decimalText(quelbin::getNbDevices()));
}

void RefreshDeviceList() {
    if (quelbin::deviceCount() == GetKnownDeviceCount())
        return;
    SetKnownDeviceCount(quelbin::deviceCount());

    QComboBox* list = frmPrincipale::instance().cmbSourceSurveillée;
    // The program's own changes to the list raise no event: the watched
    // sensor stays as it was.
    const QSignalBlocker quiet(list);
    list->clear();

    // Only the first sensors fit the type table; the rest are not listed.
    const std::int16_t count = std::min(quelbin::deviceCount(), maxListedDevices);
    for (std::int16_t index = 0; index < count; ++index) {
        // A sensor the library cannot read is listed with no name and an
        // unknown type, never with the previous sensor's.
        const quelbin::DeviceDescription device = quelbin::describeDevice(index);
        if (!device.described) {
            window::showMessage(QStringLiteral("Incohérence dans l'accès au senseur #") +
                                numberText::decimalText(index));
        }
        list->addItem(
            sensorEntry(index, TrimDeviceName(quelbin::nameText(device.name)), device.type));
        modTypesDonnées::SetDeviceType(index, device.type);
    }
    // Qt chooses the first entry of a filled list by itself; none is chosen.
    list->setCurrentIndex(-1);
}

void AppendRawData() {
    const std::int16_t source = GetWatchedSource();
    if (source < 0)
        return;

    const quelbin::RawReading raw = quelbin::readRaw(source);

    // The type comes from the list's current choice, which after a rebuild
    // is none (-1): every byte is then its own element.
    frmPrincipale& window = frmPrincipale::instance();
    const modTypesDonnées::DataType code = modTypesDonnées::GetDeviceType(
        fixedWidth::toInt16(window.cmbSourceSurveillée->currentIndex()));
    const std::int16_t size = modTypesDonnées::DataTypeSize(code);

    // Decode only what lies within the buffer: a count above 128 shows its
    // elements up to the buffer's end, a negative count none.
    const std::int32_t decodedBytes = raw.bytesWithin();
    QString line = numberText::decimalText(raw.header) + QLatin1Char(';') +
                   numberText::decimalText(raw.byteCount) + QLatin1Char(';');
    for (std::int32_t position = 0; position < decodedBytes; position += size) {
        line += modConversion::RawToText(raw.data.data() + position, code);
        line += QLatin1String(" | ");
    }

    QListWidget* log = window.lstRawData;
    log->insertItem(0, line);
    if (log->count() > maxLogLines)
        log->clear(); // emptied whole, the newest line included
}

bool IsNameChar(QStringView character) {
    if (character.isEmpty())
        return false;
    const char16_t c = character.front().unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
           c == u'-' || c == u'_';
}

QString TrimDeviceName(const QString& name) {
    constexpr qsizetype longest = 127;
    qsizetype length = 0;
    while (length < longest && length < name.size() && IsNameChar(QStringView(name).mid(length, 1)))
        ++length;
    return name.left(length);
}

} // namespace modQuelbin
