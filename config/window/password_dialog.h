// The administrator password dialog of the factory unlock (and of the
// import of factory parameters): modal, centred on its owner, caption
// "Administrator", label "Password", a masked one-line field, "OK" (the
// default button) and "Annuler".
//
// The core's DlgPassword (progress.h) cuts the text to the caller's
// capacity; the window installs ConfigPasswordDialog as its dialog.
// Window thread, or any thread through the gate (a worker waits for the
// answer; once the gate is shut it is a cancel).
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    explicit PasswordDialog(QWidget* pOwner);

    QLineEdit* Field() const { return pField; }
    QPushButton* OkButton() const { return pOk; }
    QPushButton* CancelButton() const { return pCancel; }

private:
    QLineEdit* pField;
    QPushButton* pOk;
    QPushButton* pCancel;
};

// Shows the dialog owned by the main window (hDlgMain); true with the
// entered text (UTF-8) for "OK", false for "Annuler" or a closed dialog.
bool ConfigPasswordDialog(std::string* pText);
