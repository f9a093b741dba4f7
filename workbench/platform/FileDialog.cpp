#include "platform/FileDialog.h"

#include <QFileDialog>
#include <QStringList>

#include "platform/Forms.h"
#include "platform/ModalScript.h"
#include "platform/Placement.h"
#include "runtime.h"

namespace platform {

namespace {

// The filter text as the dialog's list of name filters, e.g.
// "Text files (*.txt)"; "*.*" stands for every file.
QStringList NameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // The description may name its pattern already: show it once.
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open > 0 && description.endsWith(QLatin1Char(')'))) description = description.left(open).trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QStringLiteral("*.*")) p = QStringLiteral("*");
    }
    out << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  if (out.isEmpty()) out << QStringLiteral("All files (*)");
  return out;
}

std::string Run(ModalRecord::Kind kind, const std::string& title, const std::string& filter,
                const std::string& fileName, int flags) {
  if (ModalScript::Active()) {
    ModalRecord r;
    r.kind = kind;
    r.title = title;
    r.filter = filter;
    r.fileName = fileName;
    r.flags = flags;
    std::string path;
    if (!ModalScript::TakePath(r, path)) qel::RaiseError(qel::kErrDialogCancel);
    return path;
  }
  const bool save = kind == ModalRecord::Kind::SaveDialog;
  QWidget* owner = OwnerWindow();
  CentredDialog<QFileDialog> dlg(owner, QString::fromStdString(title));
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) {
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, (flags & kDlgOverwritePrompt) == 0);
  } else {
    dlg.setFileMode((flags & kDlgFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  dlg.setNameFilters(NameFilters(filter));
  if (!fileName.empty()) dlg.selectFile(QString::fromStdString(fileName));
  const bool chosen = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
  ReturnFocusTo(owner);
  if (!chosen) qel::RaiseError(qel::kErrDialogCancel);
  return dlg.selectedFiles().front().toStdString();
}

}  // namespace

std::string ShowOpenDialog(const std::string& title, const std::string& filter,
                           const std::string& fileName, int flags) {
  return Run(ModalRecord::Kind::OpenDialog, title, filter, fileName, flags);
}

std::string ShowSaveDialog(const std::string& title, const std::string& filter,
                           const std::string& fileName, int flags) {
  return Run(ModalRecord::Kind::SaveDialog, title, filter, fileName, flags);
}

}  // namespace platform
