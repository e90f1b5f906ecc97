// The saved state of the control: its exact bytes and what a load accepts or refuses.
#include <string>
#include <vector>

#include "ControlFixture.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// The state Velkaro's window carries for its control: extent 847 x 767, the defaults otherwise.
const Bytes kVelkaroState = {
    0x00, 0x0A, 0x00, 0x00, 0x4F, 0x03, 0x00, 0x00, 0xFF, 0x02, 0x00, 0x00,
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,   // ServerName ""
    0x03, 0x00, 0x15, 0x00, 0x00, 0x00,               // ServerPort 21
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,   // Username ""
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,   // Password ""
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,               // BinaryMode 1
    0x03, 0x00, 0x1E, 0x00, 0x00, 0x00,               // Timeout 30
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,               // PassiveMode 1
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00,               // MaxBandwidth 0
};

Bytes Text(const wchar_t* text)
{
    Bytes b = {0x08, 0x00};
    std::wstring t(text);
    ULONG n = static_cast<ULONG>(t.size() * 2 + 2);
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(n >> (8 * i)));
    for (wchar_t c : t) {
        b.push_back(static_cast<unsigned char>(c & 0xFF));
        b.push_back(static_cast<unsigned char>(c >> 8));
    }
    b.push_back(0);
    b.push_back(0);
    return b;
}

Bytes Long(long v)
{
    Bytes b = {0x03, 0x00};
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(static_cast<unsigned long>(v) >> (8 * i)));
    return b;
}

Bytes Header(unsigned version = 0x0A00)
{
    Bytes b;
    for (unsigned v : {version, 847u, 767u})
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Persistence : public ControlLibrary {
protected:
    IDorvikFTPCtrl* control = nullptr;
    IPersistStreamInit* persist = nullptr;

    void SetUp() override
    {
        ControlLibrary::SetUp();
        control = NewControl();
        ASSERT_NE(nullptr, control);
        ASSERT_EQ(S_OK, control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)));
    }
    void TearDown() override
    {
        persist->Release();
        control->Release();
        ControlLibrary::TearDown();
    }

    static IStream* StreamOf(const Bytes& bytes)
    {
        IStream* s = nullptr;
        CreateStreamOnHGlobal(nullptr, TRUE, &s);
        ULONG put = 0;
        if (!bytes.empty())
            s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &put);
        LARGE_INTEGER zero = {};
        s->Seek(zero, STREAM_SEEK_SET, nullptr);
        return s;
    }
    static Bytes ContentOf(IStream* s)
    {
        STATSTG st = {};
        s->Stat(&st, STATFLAG_NONAME);
        Bytes b(static_cast<size_t>(st.cbSize.QuadPart));
        LARGE_INTEGER zero = {};
        s->Seek(zero, STREAM_SEEK_SET, nullptr);
        ULONG got = 0;
        if (!b.empty())
            s->Read(b.data(), static_cast<ULONG>(b.size()), &got);
        return b;
    }
    static ULONGLONG Position(IStream* s)
    {
        LARGE_INTEGER zero = {};
        ULARGE_INTEGER at = {};
        s->Seek(zero, STREAM_SEEK_CUR, &at);
        return at.QuadPart;
    }
    HRESULT LoadBytes(const Bytes& bytes, ULONGLONG* endedAt = nullptr)
    {
        IStream* s = StreamOf(bytes);
        HRESULT hr = persist->Load(s);
        if (endedAt)
            *endedAt = Position(s);
        s->Release();
        return hr;
    }
    Bytes Saved()
    {
        IStream* s = StreamOf({});
        EXPECT_EQ(S_OK, persist->Save(s, TRUE));
        Bytes b = ContentOf(s);
        s->Release();
        return b;
    }
    std::wstring Name()
    {
        BSTR b = nullptr;
        control->get_ServerName(&b);
        std::wstring r(b, SysStringLen(b));
        SysFreeString(b);
        return r;
    }
    long Port()
    {
        long p = 0;
        control->get_ServerPort(&p);
        return p;
    }
};

TEST_F(Persistence, VelkaroStateLoadsAndSavesBackByteForByte)
{
    Bytes fresh = Saved();
    ASSERT_EQ(66u, fresh.size());
    Bytes expectedFresh = kVelkaroState;
    expectedFresh[4] = 0xD8, expectedFresh[5] = 0x13, expectedFresh[8] = 0xD8, expectedFresh[9] = 0x13, expectedFresh[6] = 0, expectedFresh[10] = 0;
    EXPECT_EQ(expectedFresh, fresh);   // 5080 x 5080 until a host or a load says otherwise

    ASSERT_EQ(S_OK, LoadBytes(kVelkaroState));
    EXPECT_EQ(kVelkaroState, Saved());
}

TEST_F(Persistence, SizeMaxIsWhatSaveWrites)
{
    control->put_ServerName(SysAllocString(L"ftp.example.test"));
    ULARGE_INTEGER size = {};
    ASSERT_EQ(S_OK, persist->GetSizeMax(&size));
    EXPECT_EQ(Saved().size(), size.QuadPart);
}

TEST_F(Persistence, DirtyOnlyAfterInitNewUntilSaved)
{
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    persist->InitNew();
    EXPECT_EQ(S_OK, persist->IsDirty());
    IStream* s = StreamOf({});
    persist->Save(s, FALSE);
    EXPECT_EQ(S_OK, persist->IsDirty());
    persist->Save(s, TRUE);
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    s->Release();
}

TEST_F(Persistence, LoadCoercesAndRefuses)
{
    const Bytes rest = Join({Text(L""), Text(L""), Long(1), Long(30), Long(1), Long(0)});
    const Bytes nullText = {0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
    const Bytes countOne = {0x08, 0x00, 0x01, 0x00, 0x00, 0x00};
    const Bytes tooLong = {0x08, 0x00, 0x01, 0x00, 0x10, 0x00};
    struct Row {
        const char* what;
        Bytes stream;
        HRESULT result;
        std::wstring name;
        long port;
    };
    const Row rows[] = {
        {"port as text is coerced", Join({Header(), Text(L"h"), Text(L"2121"), rest}), S_OK, L"h", 2121},
        {"name as number becomes text", Join({Header(), Long(5), Long(21), rest}), S_OK, L"5", 21},
        {"older version, same layout", Join({Header(0x0300), Text(L"old"), Long(99), rest}), S_OK, L"old", 99},
        {"null text empties", Join({Header(), nullText, Long(22), rest}), S_OK, L"", 22},
        {"newer version refused untouched", Join({Header(0x0A01), Text(L"x"), Long(1), rest}), E_FAIL, L"keep", 4242},
        {"count of one", Join({Header(), countOne}), E_FAIL, L"keep", 4242},
        {"text over a mebibyte", Join({Header(), tooLong}), E_ACCESSDENIED, L"keep", 4242},
        {"ends after Username: earlier values stay", Join({Header(), Text(L"part"), Long(2), Text(L"u")}), E_FAIL, L"part", 2},
        {"empty stream", Bytes{}, E_FAIL, L"keep", 4242},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        control->put_ServerName(SysAllocString(L"keep"));
        control->put_ServerPort(4242);
        EXPECT_EQ(row.result, LoadBytes(row.stream));
        EXPECT_EQ(row.name, Name());
        EXPECT_EQ(row.port, Port());
    }
}

TEST_F(Persistence, FailedTextLeavesTheStreamAtItsRecord)
{
    const Bytes bad = {0x08, 0x00, 0x04, 0x00, 0x00, 0x00, 0x41, 0x00, 0x41, 0x00};
    ULONGLONG endedAt = 0;
    EXPECT_EQ(E_FAIL, LoadBytes(Join({Header(), bad}), &endedAt));
    EXPECT_EQ(12u, endedAt);
}

TEST_F(Persistence, StorageSaveReplacesContents)
{
    IPersistStorage* storagePersist = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&storagePersist)));
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    ASSERT_EQ(S_OK, CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes));
    ASSERT_EQ(S_OK, StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage));
    control->put_ServerName(SysAllocString(L"a-rather-long-first-name"));
    ASSERT_EQ(S_OK, storagePersist->Save(storage, TRUE));
    control->put_ServerName(SysAllocString(L"b"));
    ASSERT_EQ(S_OK, storagePersist->Save(storage, TRUE));

    control->put_ServerName(SysAllocString(L"changed"));
    ASSERT_EQ(S_OK, storagePersist->Load(storage));
    EXPECT_EQ(L"b", Name());

    IStream* contents = nullptr;
    ASSERT_EQ(S_OK, storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents));
    EXPECT_EQ(Saved(), ContentOf(contents));
    contents->Release();
    storage->Release();
    bytes->Release();
    storagePersist->Release();
}

} // namespace
