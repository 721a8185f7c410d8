#pragma once

#include "platform/platformadapter.h"

// The desktop implementation: QMessageBox, the mount table with its watcher, and QPrintDialog.
class QtPlatform final : public PlatformAdapter
{
public:
    QtPlatform() = default;
    Q_DISABLE_COPY_MOVE(QtPlatform)

    Answer MsgBox(const QString &text, int code = Plain, const QString &title = {}) override;
    std::optional<QString> askText(const QString &text) override;
    Confirmation confirmWithOption(const QString &text, const QString &option) override;
    std::optional<QString> askSaveFileName(QWidget *parent, const QString &name, const QString &filter) override;
    QStringList volumes() override;
    void watchVolumes(QObject *receiver, std::function<void()> changed) override;
    std::unique_ptr<QPrinter> OpenPrinterDialog(QWidget *parent) override;
    std::unique_ptr<QPrinter> openPrinterDialogFor(QWidget *parent, const QString &documentName) override;

    // Root paths of mounted volumes that could be a card: pseudo file systems are left out.
    static QStringList cardVolumeCandidates();
};
