/* A process that ends at once: its start is the floor of any process start.
 * Built twice by the benchmark only: with no C runtime (its own entry point),
 * and, with WITH_C_RUNTIME, as an empty main on the same C runtime and
 * link options as the launcher, to show what that runtime's start-up costs. */

#include <windows.h>

#ifdef WITH_C_RUNTIME
int main(void)
{
    return 0;
}
#else
void entry(void)
{
    ExitProcess(0);
}
#endif
