#include "ui/config/FileDialog.h"

#include "core/AppState.h"
#include "ui/widgets/Ansi.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>

namespace lindrel {

FileDialogResult OpenFileDialog(AppState& state, QWidget* owner, bool CenterOnOwner) {
    QFileDialog dialog(owner, FromAnsi(state.FileDialogTitle));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!state.LastChosenFile.empty()) {
        dialog.selectFile(FromAnsi(state.LastChosenFile));
    }
    dialog.adjustSize();
    const QRect around = CenterOnOwner && owner != nullptr
                             ? owner->frameGeometry()
                             : QGuiApplication::primaryScreen()->geometry();
    dialog.move(around.center() - QPoint(dialog.width() / 2, dialog.height() / 2));

    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return result;
    }
    const std::string path = ToAnsi(dialog.selectedFiles().front());
    state.LastChosenFile = path;
    const auto separator = path.rfind('/');
    result.Directory = separator == std::string::npos ? "" : path.substr(0, separator + 1);
    result.FileNames.push_back(separator == std::string::npos ? path : path.substr(separator + 1));
    result.Count = 1;
    result.Cancelled = false;
    return result;
}

void SelectByItemData(QComboBox& combo, int value) {
    int position = -1;
    for (int i = 0; i < combo.count(); ++i) {
        if (combo.itemData(i).toInt() == value) {
            position = i;
            break;
        }
    }
    combo.setCurrentIndex(position);
}

} // namespace lindrel
