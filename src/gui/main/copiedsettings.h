#pragma once

#include <QString>
#include <QStringList>

class PlatformAdapter;

namespace Vexolo::Ui {

// One track's settings kept for pasting onto other playlist entries or card tracks. What is
// pasted is what the advanced window would save for the target with the copied fields.
class CopiedSettings final
{
public:
    void copy(const QString &commandString) { m_commandString = commandString; }
    bool isEmpty() const { return m_commandString.isEmpty(); }
    // The copied settings with each target's own track name; empty, after telling the user, when
    // one would be too long.
    QStringList forTracks(const QStringList &trackNames, PlatformAdapter &platform) const;

private:
    QString m_commandString;
};

} // namespace Vexolo::Ui
