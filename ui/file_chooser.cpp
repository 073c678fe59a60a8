#include "ui/file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <array>

#include "picture/picture_file.h"
#include "ui/document.h"
#include "ui/platform.h"
#include "volume/raw_reader.h"

namespace calyra::ui {
namespace {

// Returned when the dialog accepted but handed back no file.
constexpr std::uint32_t kDialogFailure = 0xFFFF;

struct ErrorMapping {
    std::uint32_t code;
    int stringId;
};

constexpr ErrorMapping kErrorStrings[] = {
    {0xFFFF, 1},  {0x0001, 2},  {0x0002, 3},  {0x0003, 4},  {0x0004, 5},  {0x0005, 6},
    {0x0006, 7},  {0x0007, 8},  {0x0008, 9},  {0x0009, 10}, {0x000A, 11}, {0x000B, 12},
    {0x1001, 13}, {0x1002, 14}, {0x1003, 15}, {0x1004, 16}, {0x1005, 17}, {0x1006, 18},
    {0x1007, 19}, {0x1008, 20}, {0x1009, 21}, {0x100A, 22}, {0x100B, 23}, {0x2001, 24},
    {0x3001, 25}, {0x3002, 26}, {0x3003, 27},
};
constexpr int kUnknownErrorId = 29;

struct FileUseDialog {
    const char* caption;
    bool save;
    const char* filters;
    const char* defaultSuffix;  // saving: added to a name without one
    const char* offeredName;    // saving: offered in the current folder
};

// By FileUse. A picture's extension decides its format (no suffix added); a
// bare name becomes PNG.
constexpr FileUseDialog kFileUseDialogs[] = {
    {"Save Image", true, picture::kPictureFilter, "", "calyra.png"},
    {"Save View", true, "Views (*.view)", "view", "calyra.view"},
    {"Open View", false,
     "Views and pictures (*.view *.png *.jpg *.jpeg *.tif *.tiff);;All Files (*)", "", ""},
    // The extension chooses the kind; a bare name becomes MP4.
    {"Save Movie", true, "Movies (*.mp4 *.webm *.gif)", "mp4", "calyra.mp4"},
    {"Save Transfer Function", true, "Transfer functions (*.json)", "json", "calyra-tf.json"},
    {"Load Transfer Function", false, "Transfer functions (*.json);;All Files (*)", "", ""},
};

static_assert(std::size(kFileUseDialogs) ==
                  static_cast<std::size_t>(FileUse::LoadTransferFunction) + 1,
              "one dialog for every use");

const FileUseDialog& DialogFor(FileUse use) {
    return kFileUseDialogs[static_cast<int>(use)];
}

FileUseChooser& InstalledFileUseChooser() {
    static FileUseChooser chooser;
    return chooser;
}

constexpr std::array<const char*, 29> kErrorTexts = {
    "The file dialog could not be created.",
    "The file dialog was given a description of the wrong size.",
    "The file dialog could not be initialised; memory may be low.",
    "The file dialog could not find its layout.",
    "The file dialog was given no program instance.",
    "The file dialog could not load one of its texts.",
    "The file dialog could not find one of its resources.",
    "The file dialog could not load one of its resources.",
    "The file dialog could not lock one of its resources.",
    "The file dialog could not allocate memory.",
    "The file dialog could not lock its memory.",
    "The file dialog was given no hook procedure.",
    "The printer setup could not load its resources.",
    "The printer setup could not read the printer settings.",
    "The printer setup could not read the default printer.",
    "The printer driver could not be loaded.",
    "The printer driver could not report its settings.",
    "The printer could not be initialised.",
    "No printer drivers are installed.",
    "No default printer is set.",
    "The printer settings do not agree with each other.",
    "The printer's information context could not be created.",
    "The printer could not be found.",
    "No fonts are installed.",
    "The file list could not be set up.",
    "The file name is not valid.",
    "The file name is too long.",
    "The file dialog failed.",
    "The file dialog failed for an unknown reason.",
};

// Shows what the selected filter lets through: with "Data Files" the names
// without a dot, with "All Files" everything; folders always.
class FileFilterProxy : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetDataFilesOnly(bool only) {
        dataFilesOnly_ = only;
        invalidateFilter();
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files || !dataFilesOnly_) return true;
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || MatchesDataFilesFilter(files->fileName(index));
    }

    // The file system model greys out what its own wildcard rejects; this
    // proxy decides instead.
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags f = QSortFilterProxyModel::flags(index);
        return index.isValid() ? (f | Qt::ItemIsEnabled | Qt::ItemIsSelectable) : f;
    }

  private:
    bool dataFilesOnly_ = true;
};

VolumeFileChooser& Chooser() {
    static VolumeFileChooser chooser = ChooseVolumeFile;
    return chooser;
}

}  // namespace

int ChooseVolumeFile(QWidget* owner) {
    std::string& volumePath = ProgramSession().volumePath;
    volumePath.clear();
    // Qt's own wildcard matching reads "*.*" as "names with a dot", so the
    // non-native dialog gets a proxy that matches the two filters itself.
    QFileDialog dialog(owner, QStringLiteral("Open a File"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    auto* proxy = new FileFilterProxy(&dialog);
    dialog.setProxyModel(proxy);
    const QString dataFiles = ChooserFilter(kDataFilesFilter, kDataFilesPattern);
    const QString allFiles = ChooserFilter(kAllFilesFilter, kAllFilesPattern);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters({dataFiles, allFiles});
    dialog.selectNameFilter(dataFiles);
    if (auto* files = dialog.findChild<QFileSystemModel*>()) files->setNameFilterDisables(true);
    QObject::connect(&dialog, &QFileDialog::filterSelected, proxy,
                     [proxy, dataFiles](const QString& filter) {
                         proxy->SetDataFilesOnly(filter == dataFiles);
                     });

    if (dialog.exec() != QDialog::Accepted) {
        ReportChooserError(0, owner);
        return 0;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) {
        ReportChooserError(kDialogFailure, owner);
        return 0;
    }
    volumePath = files.front().toStdString();
    return 1;
}

namespace {

// A plain dialog (never the platform's native one) that saves any name or
// opens an existing file.
void Prepare(QFileDialog& dialog, QFileDialog::AcceptMode mode, const QString& filters) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setNameFilter(filters);
}

QString Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

const char* FileUseCaption(FileUse use) {
    return DialogFor(use).caption;
}

QString ChooseFileFor(QWidget* owner, FileUse use) {
    if (InstalledFileUseChooser()) return InstalledFileUseChooser()(owner, use);
    const FileUseDialog& d = DialogFor(use);
    QFileDialog dialog(owner, QString::fromLatin1(d.caption));
    Prepare(dialog, d.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen,
            QString::fromLatin1(d.filters));
    if (d.save) {
        dialog.setDefaultSuffix(QString::fromLatin1(d.defaultSuffix));
        dialog.selectFile(QDir::current().filePath(QString::fromLatin1(d.offeredName)));
    }
    return Chosen(dialog);
}

void SetFileUseChooser(FileUseChooser chooser) {
    InstalledFileUseChooser() = std::move(chooser);
}

void SetVolumeFileChooser(VolumeFileChooser chooser) {
    Chooser() = chooser ? chooser : ChooseVolumeFile;
}

VolumeFileChooser CurrentVolumeFileChooser() {
    return Chooser();
}

QString ChooserFilter(const char* label, const char* pattern) {
    // The chooser shows what comes before the last parenthesis: the label.
    return QStringLiteral("%1 (%2)").arg(QLatin1String(label), QLatin1String(pattern));
}

bool MatchesDataFilesFilter(const QString& fileName) {
    return !fileName.isEmpty() && !fileName.contains(QLatin1Char('.'));
}

int ChooserErrorStringId(std::uint32_t code) {
    if (code == 0) return 0;
    for (const ErrorMapping& m : kErrorStrings) {
        if (m.code == code) return m.stringId;
    }
    return kUnknownErrorId;
}

QString ChooserErrorText(int stringId) {
    if (stringId < 1 || stringId > static_cast<int>(kErrorTexts.size())) return QString();
    return QString::fromLatin1(kErrorTexts[static_cast<std::size_t>(stringId - 1)]);
}

void ReportChooserError(std::uint32_t code, QWidget* owner) {
    const int id = ChooserErrorStringId(code);
    if (id == 0) return;
    ShowMessage(owner, ChooserErrorText(id), QString(), Icon::None);
}

}  // namespace calyra::ui
