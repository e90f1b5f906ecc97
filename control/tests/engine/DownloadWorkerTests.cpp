// The download worker against a real server: a MaxBandwidth set while the download runs governs
// its next pieces, and an abort stops it at once.
#include <fstream>

#include "EngineTestSupport.h"

namespace {

class DownloadWorkerTest : public EngineTest {};

TEST_F(DownloadWorkerTest, BandwidthSetMidTransferGovernsTheNextPieces)
{
    if (EnvPort("DORVIK_VSFTPD_PORT") == 0)
        GTEST_SKIP() << "vsftpd is not available";
    std::ofstream(Env("DORVIK_VSFTPD_ROOT") + "\\worker-limit.bin", std::ios::binary)
        << std::string(20 * 1024 * 1024, 'w');
    Server("DORVIK_VSFTPD_PORT", "anonymous", "guest");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("/pub")));
    std::vector<long> progress;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 4)
            progress.push_back(static_cast<long>(e.numbers.at(0)));
    };
    const std::string local = Env("DORVIK_LOCAL") + "\\worker-limit.bin";
    long ret = 99;
    ASSERT_EQ(S_OK, ctl->BeginGet(Arg("worker-limit.bin"), Arg(local), 0, &ret)) << ErrorText();
    DWORD until = GetTickCount() + 20000;
    while (progress.empty() && GetTickCount() < until)
        PumpFor(1);
    ASSERT_FALSE(progress.empty());

    ctl->put_MaxBandwidth(1000);
    // Pieces asked for before the change may still be on their way; after a moment none are.
    PumpFor(500);
    progress.clear();
    PumpFor(2500);
    ASSERT_GE(progress.size(), 2u);
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_LE(progress[i] - progress[i - 1], 1000) << "piece " << i;
    EXPECT_LT(progress.back(), 20 * 1024 * 1024);

    EXPECT_EQ(S_OK, ctl->Abort());
    PumpFor(200);
    EXPECT_EQ(0, Busy());
    EXPECT_TRUE(EventsOf(7).empty());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());
    DeleteFileA(local.c_str());
}

} // namespace
