// A small program that misuses the heap on purpose, one way per argument, for the test that shows
// Wine's heap check failing a run (tests/tools/heap-gate.sh). It reaches its last line and ends
// with 0 whatever it did, so that a failed run can only come from the check itself.
//   HeapProbe.exe clean | tail-validated | freed-twice
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The sizes come through a volatile so that the compiler neither sees the overrun nor drops it.
volatile std::size_t g_blockSize = 20;
volatile std::size_t g_overrun = 8;

char* AllocateFromProcessHeap()
{
    return static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, g_blockSize));
}

void WritePastTheEnd(char* block)
{
    std::memset(block, 'x', g_blockSize + g_overrun);
}

bool Run(const char* misuse)
{
    if (std::strcmp(misuse, "clean") == 0) {
        char* block = AllocateFromProcessHeap();
        std::memset(block, 'x', g_blockSize);
        HeapValidate(GetProcessHeap(), 0, block);
        HeapFree(GetProcessHeap(), 0, block);
        char* ordinary = static_cast<char*>(std::malloc(g_blockSize));
        std::memset(ordinary, 'y', g_blockSize);
        std::free(ordinary);
        return true;
    }
    if (std::strcmp(misuse, "tail-validated") == 0) {
        char* block = AllocateFromProcessHeap();
        WritePastTheEnd(block);
        HeapValidate(GetProcessHeap(), 0, block);
        return true;
    }
    if (std::strcmp(misuse, "freed-twice") == 0) {
        char* block = AllocateFromProcessHeap();
        HeapFree(GetProcessHeap(), 0, block);
        HeapFree(GetProcessHeap(), 0, block);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !Run(argv[1])) {
        std::fprintf(stderr, "usage: HeapProbe.exe clean|tail-validated|freed-twice\n");
        return 2;
    }
    std::printf("heap probe: %s done\n", argv[1]);
    return 0;
}
