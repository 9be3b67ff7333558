// The program's only window: its controls, its event handlers and its two
// operations. The modules reach the controls by name through instance().
#pragma once

#include "rawdatalogview.h"
#include "wholeentrycombobox.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;
class ClickableSlider;
class CommandComboBox;

class frmPrincipale : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs its load handler; the window is not shown.
    explicit frmPrincipale(QWidget* parent = nullptr);
    ~frmPrincipale() override;

    // The single program-wide instance.
    static frmPrincipale& instance();

    // Enables the execute button while a command is chosen, and the command
    // list while it holds commands.
    void ValidateCommandIndex();

    // Event handlers. Each runs for the operator's actions (or the timer)
    // only, inside window::runHandler; the program's own changes to a
    // control raise none.
    void Form_Load();
    void tmrMiseÀJour_Timer();
    void sliRefresh_Click();
    void cmbSourceSurveillée_Change();
    void cmbSourceSurveillée_Click();
    void cmbCommandes_Change();
    void cmbCommandes_Click();
    void cmbCommandes_LostFocus();
    void cmdExécute_Click();

    // The controls, in the order of their tab index.
    QPushButton* cmdExécute = nullptr;
    QLabel* lblAcquiConnecté = nullptr;
    QLabel* lblNbDevices = nullptr;
    CommandComboBox* cmbCommandes = nullptr;
    QLabel* lblNbCommandes = nullptr;
    WholeEntryComboBox* cmbSourceSurveillée = nullptr;
    RawDataLogView* lstRawData = nullptr;
    ClickableSlider* sliRefresh = nullptr;
    QLabel* lblRefresh = nullptr;
    QTimer* tmrMiseÀJour = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void ApplyRefreshRate();

    template <typename Sender, typename Signal>
    void wire(Sender* sender, Signal signal, void (frmPrincipale::*handler)());
};
