#pragma once

#include <QValidator>

// Keeps a field to one line without control characters, whatever is pasted into it: a line break
// in a field would split a card file's record in two, and a control character cannot be stored.
// Typing is unchanged; of pasted text only the first line stays.
class SingleLineValidator final : public QValidator
{
    Q_OBJECT

public:
    explicit SingleLineValidator(QObject *parent = nullptr)
        : QValidator(parent)
    {
    }
    Q_DISABLE_COPY_MOVE(SingleLineValidator)

    State validate(QString &input, int &pos) const override;
};
