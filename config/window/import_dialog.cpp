#include "import_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <iterator>

#include "config_file_window.h"
#include "file_task.h"
#include "filedialog.h"
#include "winutil.h"

namespace {

// The dialog resource: the four options with their initial state and tip.
struct ImportOption {
    const char* szName;
    const char* szCaption;
    bool bChecked;
    const char* szTip;
};
constexpr ImportOption tOptionBoxes[] = {
    {ImportName::Apply, "Apply imported parameters", true, "Immediately apply impoted parameters..."},
    {ImportName::CheckSignature, "Check for sensor signature", true,
     "Check if the export file is made from the same sensor..."},
    {ImportName::Factory, "Import factory parameters", false,
     "Import factory parameter from export file (Admin password required)..."},
    {ImportName::IgnoreErrors, "Ignore import error", false, "Continue after import error..."},
};

constexpr int BROWSE_ICON_SIZE = 16;

}  // namespace

ImportDialog::ImportDialog(QWidget* pOwner) : QDialog(pOwner)
{
    setObjectName(ImportName::Dialog);
    setWindowTitle("Import");
    setModal(true);

    QVBoxLayout* page = new QVBoxLayout(this);
    QGridLayout* fileRow = new QGridLayout;
    fileRow->addWidget(new QLabel("File", this), 0, 0);
    pFile = new QLineEdit(this);
    pFile->setObjectName(ImportName::File);
    pFile->setMinimumWidth(320);
    fileRow->addWidget(pFile, 0, 1);
    pBrowse = new QToolButton(this);
    pBrowse->setObjectName(ImportName::Browse);
    pBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    pBrowse->setIconSize(QSize(BROWSE_ICON_SIZE, BROWSE_ICON_SIZE));
    fileRow->addWidget(pBrowse, 0, 2);
    page->addLayout(fileRow);

    QCheckBox** boxes[] = {&pApply, &pCheckSignature, &pFactory, &pIgnoreErrors};
    for (size_t i = 0; i < std::size(tOptionBoxes); i++) {
        const ImportOption& o = tOptionBoxes[i];
        QCheckBox* box = new QCheckBox(o.szCaption, this);
        box->setObjectName(o.szName);
        box->setChecked(o.bChecked);
        page->addWidget(box);
        *boxes[i] = box;
    }

    pImport = new QPushButton("Import", this);
    pImport->setObjectName(ImportName::Import);
    pImport->setDefault(true);
    page->addWidget(pImport, 0, Qt::AlignRight);

    SetToolTip(this, ImportName::Browse, "Select file...");
    for (const ImportOption& o : tOptionBoxes)
        SetToolTip(this, o.szName, o.szTip);
    SetToolTip(this, ImportName::Import, "Import selected file...");

    connect(pBrowse, &QToolButton::clicked, this, [this] { DlgImportExplore(); });
    connect(pImport, &QPushButton::clicked, this, [this] { Import(); });

    // A file dropped anywhere on the dialog, the box included, fills the box.
    setAcceptDrops(true);
    installEventFilter(this);
    pFile->installEventFilter(this);
}

int ImportDialog::DlgImportExplore()
{
    std::string path;
    if (!UiOpenFile(ConfigFileDialogRequest(pFile->text().toLocal8Bit().toStdString()), &path))
        return 0;
    pFile->setText(QString::fromLocal8Bit(path.c_str()));
    return 1;
}

int ImportDialog::Import()
{
    ConfigImportOptions options;
    options.bImportApply = pApply->isChecked();
    options.bImportCheckHwSn = pCheckSignature->isChecked();
    options.bImportFactory = pFactory->isChecked();
    options.bImportIgnoreErr = pIgnoreErrors->isChecked();
    if (!ImportDialogAccept(pFile->text().toLocal8Bit().toStdString(), options))
        return 0;
    accept();
    return 1;
}

bool ImportDialog::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == this || pWatched == pFile) {
        if (UiTakeDroppedFile(pEvent, pFile))
            return true;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}
