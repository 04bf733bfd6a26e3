// The suite's About dialog.
#pragma once

class QDialog;
class QWidget;

// The About dialog, modal, owned by hDlgMain.
void UiShowAbout();

// The About dialog's web address (opened as "http://" + address).
extern const char szAboutWebAddress[];

// Builds the About dialog (fixed size, title "About": logo, program title,
// notice line, web link) without showing it; UiShowAbout runs it modally.
QDialog* UiCreateAboutDialog(QWidget* pOwner);

