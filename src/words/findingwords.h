#pragma once

#include "reports/findings.h"

#include <QByteArray>
#include <QString>

// The words of the findings a check, a comparison or a copy of cards hands back.
namespace Vexolo {

// "FILE, record N, token "T"": where the finding is.
QString findingPlace(const Finding &finding);
// What is wrong, in words.
QString findingMessage(const Finding &finding);
// What a certain repair does, as the report and its button say it; empty for none.
QString repairWords(const Repair &repair);
// What a certain repair did, once done: "removed", "written anew".
QString repairDoneWords(const Repair &repair);
// "PLACE: WORDS", one line per finding, with the repair where it is certain.
QString findingLine(const Finding &finding);
QString findingsText(const Findings &findings);
// A JSON array of objects with place, kind, message (and repair where certain), on one line.
QByteArray findingsJson(const Findings &findings);

} // namespace Vexolo
