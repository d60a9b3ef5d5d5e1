// A loadable module that exports no entry point at all.
extern "C" __attribute__((visibility("default"))) int notAnEntryPoint()
{
    return 0;
}
