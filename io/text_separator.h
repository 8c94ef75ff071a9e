// The field separator a user gives as text in the export dialog.
//
// "#" followed by a decimal character code (up to three digits, blanks
// around them ignored) gives that one character: "#9   (tab)" a tab,
// "#124" a vertical bar. A longer description such as ", (comma)" (more
// than 8 characters) gives its first character. Anything else is used as it
// stands, so "::" or " | " are separators of their own. A "#" that is not
// followed by a code from 1 to 255 is not a code: such a text follows the
// other rules, so "#x" stays "#x" instead of becoming a NUL character.
#pragma once

#include <QString>

QString ExportSeparatorFromText(const QString& text);
