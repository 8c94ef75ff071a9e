// The engine's vocabulary types as the application layers name them. The
// data surface hands out the engine's own cell values, column types and
// errors; the layers above db/ spell them through these names and never
// include an engine header, so the engine stays reachable only through db/.
#pragma once

#include <QString>

#include "jet/error.h"
#include "jet/value.h"

namespace db {

using DataType = jet::DataType;
using Value = jet::Value;
using Error = jet::Error;
using ErrorCode = jet::ErrorCode;

// The engine's name of a column type ("Text", "Long", "DateTimeExtended" ...).
inline QString dataTypeName(DataType type) {
    return QString::fromStdString(jet::dataTypeName(type));
}

}  // namespace db
