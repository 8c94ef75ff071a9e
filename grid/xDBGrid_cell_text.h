// The texts the grid shows and copies for one cell: a field's value as the
// user reads it. Dates use the user's short date form with a four-digit
// year (and the time of day when there is one), numbers and text the data
// surface's text, Booleans their display values, memo fields their whole
// text, picture fields their description.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include "db/db_types.h"

class TQueryField;

// The user's short date form, the year always with four digits.
QString GridDateFormat();
QString DateTimeDisplayText(const QVariant& dateTime);

// The display text of `value` as a cell of `field` shows it.
QString CellDisplayText(const TQueryField& field, const db::Value& value, bool pictureField);

// "(empty)" for no picture, "(corrupted)" when it cannot be read, else the
// format ("BMP", "JPG", "PNG", "EMF" or "Other"), ": " and "%d x %d".
QString PictureDescription(const QByteArray& data);
