#include "password_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "appmain.h"
#include "windowthread.h"

PasswordDialog::PasswordDialog(QWidget* pOwner) : QDialog(pOwner)
{
    setObjectName("DlgPassword");
    setWindowTitle(QStringLiteral("Administrator"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* label = new QLabel(QStringLiteral("Password"), this);
    pField = new QLineEdit(this);
    pField->setObjectName("passwordField");
    pField->setEchoMode(QLineEdit::Password);
    // A password is not limited here: the caller cuts it to its buffer.
    pField->setMaxLength(32767);
    pField->setMinimumWidth(fontMetrics().averageCharWidth() * 28);
    label->setBuddy(pField);

    pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setObjectName("passwordOk");
    pOk->setDefault(true);
    pCancel = new QPushButton(QStringLiteral("Annuler"), this);
    pCancel->setObjectName("passwordCancel");
    pCancel->setAutoDefault(false);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(pField, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(pOk);
    buttons->addWidget(pCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    pField->setFocus();
}

bool ConfigPasswordDialog(std::string* pText)
{
    bool confirmed = false;
    RunOnWindowThread([&] {
        PasswordDialog dlg(hDlgMain);
        if (dlg.exec() == QDialog::Accepted) {
            *pText = dlg.Field()->text().toUtf8().toStdString();
            confirmed = true;
        }
    });
    return confirmed;
}
