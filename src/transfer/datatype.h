#pragma once

#include "core/value.h"

#include <QString>

#include <cstdint>

class QListWidget;

// Module Datatype: type names and the small list and text routines the copies share.
namespace tw::transfer {

// The name of a data type code ("adInteger", ...); the empty text for a code without one.
QString DataTypeName(std::int16_t code);

// True when an item equals the text, letter case ignored. A DB2 table of another schema than
// the current one never matches: a table the copy makes, of the current schema, is not it.
bool ListHasItem(const QListWidget &list, const QString &text);

// Removes every item exactly equal to the text (letter case counts); a DB2 table of another
// schema than the current one stays.
void RemoveListItem(QListWidget &list, const QString &text);

// The substitute when the value is Null, otherwise the value.
db::Value IfNull(const db::Value &value, const db::Value &substitute);

// Collapses doubled "/" (scanning once, without overlap), keeping one leading "//" for
// network paths: "///srv//data" gives "//srv/data".
QString NormalizePath(const QString &path);

} // namespace tw::transfer
