#include "modcommandes.h"

#include "acquisition/modulereading.h"
#include "datatypes/numbertext.h"
#include "window/commandcombobox.h"
#include "window/frmprincipale.h"

#include <QLabel>
#include <QSignalBlocker>

namespace modCommandes {

namespace {

constexpr std::int32_t namesGrowth = 16;

std::int16_t knownCommandCount = 0;
std::vector<quelbin::NameBuffer> commandNames;

// Re-created, never resized in place: every entry starts as 128 zero bytes.
void createCommandNames(std::int32_t upperBound) {
    commandNames = std::vector<quelbin::NameBuffer>(static_cast<std::size_t>(upperBound) + 1,
                                                    quelbin::NameBuffer{});
}

std::int32_t commandNamesUpperBound() {
    return static_cast<std::int32_t>(commandNames.size()) - 1;
}

} // namespace

void InitCommands() {
    createCommandNames(namesGrowth);
    SetKnownCommandCount(0);
}

void SetKnownCommandCount(std::int16_t count) {
    knownCommandCount = count;
}
std::int16_t GetKnownCommandCount() {
    return knownCommandCount;
}
const std::vector<quelbin::NameBuffer>& GetCommandNames() {
    return commandNames;
}

void RefreshCommandList() {
    if (quelbin::commandCount() == GetKnownCommandCount())
        return;
    frmPrincipale& window = frmPrincipale::instance();
    window.lblNbCommandes->setText(QStringLiteral("Mise à jour; patientez..."));
    // The second reading is the count from here on, even if it differs.
    SetKnownCommandCount(quelbin::commandCount());
    const std::int16_t count = GetKnownCommandCount();
    window.lblNbCommandes->setText(QStringLiteral("Nombre de commandes: ") +
                                   numberText::decimalText(count));

    CommandComboBox* list = window.cmbCommandes;
    const QSignalBlocker quiet(list); // the program's own changes raise no event
    list->clear();
    // The table grows in steps of 16, sized in 32 bits so that no count
    // can overflow it.
    if (commandNamesUpperBound() < count)
        createCommandNames((count / namesGrowth + 1) * namesGrowth);
    for (std::int16_t index = 0; index < count; ++index) {
        quelbin::NameBuffer& name = commandNames[static_cast<std::size_t>(index)];
        quelbin::getCommandName(index, name);
        list->insertItem(index, quelbin::nameText(name));
    }
    list->setCurrentIndex(-1);
    window.ValidateCommandIndex();
}

} // namespace modCommandes
