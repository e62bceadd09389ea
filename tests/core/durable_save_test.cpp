// Saves on the disk when the window says so, and failed writes that leave the file as it was.
#include "scenario.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace krn::test {

using DurableSave = Scenario;

// A disk that fills up after 50 bytes: the write of the record stops halfway.
TEST_F(DurableSave, AWriteThatStopsHalfwayLeavesTheOldBytesAndLength) {
    for (const Bytes& old : {Bytes{}, Bytes(20, 0x11), Bytes(200, 0x22)}) {
        SCOPED_TRACE(old.size());
        writeFile('a', old);
        const pid_t child = ::fork();
        if (child == 0) {
            const rlimit limit{50, 50};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
            const FileOutcome out = writeSlotRecord(slotFile('a'), SlotRecord{{7, 8, 9}});
            ::_exit(out.ok || out.error.find(reasonText(EFBIG)) == std::string::npos);
        }
        int status = -1;
        EXPECT_TRUE(::waitpid(child, &status, 0) == child && status == 0);
        EXPECT_EQ(fileBytes('a'), old);
    }
}

// /dev/null takes any write and refuses a sync: only the save and the empty ask for one.
TEST_F(DurableSave, AFailedSyncIsAFailedSaveAndReadsNeverSync) {
    std::filesystem::create_directories(platform.slots());
    std::filesystem::create_symlink("/dev/null", slotFile('a'));
    start();
    round({1, 2, 3, 4, 5, 6});
    press(saveButton('a'));
    readReport(0, {slotFile('a')}, EINVAL);
    EXPECT_EQ(back(indicator('a')), kCyan);
    press(loadButton('a'));
    EXPECT_EQ(platform.messages.size(), 1u);
}

} // namespace krn::test
