// The byte format of the control's saved state: a version, the extent, then one record per
// property (a 16-bit variant type and its payload), little-endian, back to back.
#ifndef DORVIK_PROPERTYSTREAM_H
#define DORVIK_PROPERTYSTREAM_H

#include <windows.h>
#include <objidl.h>
#include <oaidl.h>

const DWORD kPropertyStreamVersion = 0x0A00;

// Reads exactly count bytes: a stream error is returned as it is, a short read or S_FALSE is E_FAIL.
HRESULT ReadExactly(IStream* stream, void* data, ULONG count);
HRESULT WriteAll(IStream* stream, const void* data, ULONG count);

// One property record at the stream's position into value (which must be empty).
HRESULT ReadPropertyRecord(IStream* stream, VARIANT* value);
HRESULT WritePropertyRecord(IStream* stream, const VARIANT& value);
// Bytes WritePropertyRecord would write for value.
ULONG PropertyRecordSize(const VARIANT& value);

#endif
