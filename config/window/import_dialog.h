// The modal "Import" dialog of the File menu: the file to import, with a
// browse button and dropped files, the four import options, and "Import",
// which runs the checks and the factory unlock (ImportDialogAccept,
// file_task.h) and closes the dialog once the import worker has started.
//
// Window thread only. The controls carry fixed object names (ImportName)
// that tests find them by.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace ImportName {
inline constexpr char Dialog[] = "DlgImport";
inline constexpr char File[] = "importFile";
inline constexpr char Browse[] = "importBrowse";
inline constexpr char Apply[] = "importApply";
inline constexpr char CheckSignature[] = "importCheckSignature";
inline constexpr char Factory[] = "importFactory";
inline constexpr char IgnoreErrors[] = "importIgnoreErrors";
inline constexpr char Import[] = "importButton";
}  // namespace ImportName

class ImportDialog : public QDialog {
    Q_OBJECT

public:
    explicit ImportDialog(QWidget* pOwner = nullptr);

    QLineEdit* FileField() const { return pFile; }
    QToolButton* BrowseButton() const { return pBrowse; }
    QPushButton* ImportButton() const { return pImport; }

    // The browse button: the open-file dialog from the path in the box; the
    // chosen path replaces the box's text. 1 when one was chosen.
    int DlgImportExplore();
    // "Import": 1 when the import started and the dialog was accepted.
    int Import();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QLineEdit* pFile;
    QToolButton* pBrowse;
    QCheckBox* pApply;
    QCheckBox* pCheckSignature;
    QCheckBox* pFactory;
    QCheckBox* pIgnoreErrors;
    QPushButton* pImport;
};
