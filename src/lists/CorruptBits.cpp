#include "CorruptBits.h"

bool TCorruptBits::InRange(int list, int entry) {
    return list >= 0 && list < kLists && entry >= 0 && entry < kEntriesPerList;
}

bool TCorruptBits::IsSet(int list, int entry) const {
    return InRange(list, entry) && bits_[list].test(entry);
}

void TCorruptBits::Set(int list, int entry, bool corrupt) {
    if (InRange(list, entry)) bits_[list].set(entry, corrupt);
}

void TCorruptBits::ClearList(int list) {
    if (InRange(list, 0)) bits_[list].reset();
}

bool TCorruptBits::AnySet(int list) const {
    return InRange(list, 0) && bits_[list].any();
}
