#include "paradox/format.h"

namespace tw::paradox {

bool isKnownFieldType(std::uint8_t code)
{
    switch (static_cast<FieldType>(code)) {
    case FieldType::Alpha:
    case FieldType::Date:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::Logical:
    case FieldType::Memo:
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::AutoIncrement:
    case FieldType::Bcd:
    case FieldType::Bytes:
        return true;
    }
    return false;
}

bool isBlobType(FieldType type)
{
    switch (type) {
    case FieldType::Memo:
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        return true;
    default:
        return false;
    }
}

char fieldTypeLetter(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return 'A';
    case FieldType::Date:
        return 'D';
    case FieldType::Short:
        return 'S';
    case FieldType::Long:
        return 'I';
    case FieldType::Money:
        return '$';
    case FieldType::Number:
        return 'N';
    case FieldType::Logical:
        return 'L';
    case FieldType::Memo:
        return 'M';
    case FieldType::Blob:
        return 'B';
    case FieldType::FormattedMemo:
        return 'F';
    case FieldType::Ole:
        return 'O';
    case FieldType::Graphic:
        return 'G';
    case FieldType::Time:
        return 'T';
    case FieldType::Timestamp:
        return '@';
    case FieldType::AutoIncrement:
        return '+';
    case FieldType::Bcd:
        return '#';
    case FieldType::Bytes:
        return 'Y';
    }
    return '?';
}

int recordBytesOf(FieldType type, std::uint8_t size)
{
    switch (type) {
    case FieldType::Bcd:
        return 17; // the size byte holds the decimals
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::Time:
    case FieldType::AutoIncrement:
        return 4;
    case FieldType::Short:
        return 2;
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::Timestamp:
        return 8;
    case FieldType::Logical:
        return 1;
    default:
        return size;
    }
}

std::string TableHeader::versionName() const
{
    if (fileVersionId <= 3) {
        return "3.0";
    }
    if (fileVersionId == 4) {
        return "3.5";
    }
    if (fileVersionId <= 9) {
        return "4.x";
    }
    if (fileVersionId <= 11) {
        return "5.x";
    }
    return "7.x";
}

} // namespace tw::paradox
