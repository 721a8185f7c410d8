#pragma once

#include "commands/tracksettings.h"

#include <QMetaObject>
#include <QtGlobal>

#include <functional>

class QLineEdit;
class QObject;
class QWidget;

// What a timeline needs of the window whose time fields it shows (the advanced window): the settings as typed, the
// time field to write the playhead's time into, and word of every change. The timeline knows no more of it.
class TimedFields
{
public:
    // The window of the fields: the timeline stands beside it and goes with it.
    virtual QWidget &fieldsWindow() = 0;
    virtual Vexolo::TrackSettings settings() const = 0;
    // The pause or output field that has (or last had) the focus; nullptr when another control has it.
    virtual QLineEdit *focusedTimeField() const = 0;
    // changed is called, while context lives, when a time field changes or another track is read in.
    virtual void followFields(QObject *context, std::function<void()> changed) = 0;

protected:
    TimedFields() = default;
    ~TimedFields() = default;
    Q_DISABLE_COPY_MOVE(TimedFields)
};
