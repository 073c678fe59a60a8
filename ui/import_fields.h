// Reading the import dialog's fields: the conversions of the dialog's edit
// texts into import parameters.
#pragma once

#include <QString>
#include <cstdint>

#include "volume/raw_reader.h"

namespace calyra::ui {

// A signed decimal integer, blanks around it allowed; anything else, or a
// value past 32 bits, reads as 0.
std::int32_t ReadSignedField(const QString& text);
// An unsigned decimal integer (no minus sign) up to 2^32 - 1, kept bit for
// bit in a signed 32-bit value; anything else reads as 0.
std::int32_t ReadUnsignedField(const QString& text);
// The leading decimal number of the first 19 characters, as the C library's
// text-to-double conversion takes it in the "C" locale; 0 when there is none.
// Values beyond float range become infinities.
float ReadAspectField(const QString& text);

// The dialog's fields as the user left them.
struct ImportFieldTexts {
    QString dimX, dimY, dimZ;
    QString aspectX, aspectY, aspectZ;
    QString bytesPerVoxel;
    QString headerBytes = QStringLiteral("0");
    bool ascii = false;    // "ASCII" checked
    bool reverse = false;  // "Reverse Byte Ordering" checked
};

struct ImportFields {
    ImportParams params;
    ImportOptions options;
    RawFormat format = RawFormat::Binary;
};

ImportFields ReadImportFields(const ImportFieldTexts& texts);

}  // namespace calyra::ui
