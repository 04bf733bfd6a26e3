// Stand-in for a program the suite starts (the updater, a sibling tool):
// appends its name, working directory and arguments to "standin.log" in its
// working directory, one line each, then an empty line.
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr)
        return 1;
    FILE* f = std::fopen("standin.log", "a");
    if (f == nullptr)
        return 1;
    const char* name = argv[0];
    for (const char* p = argv[0]; *p != '\0'; p++) {
        if (*p == '/')
            name = p + 1;
    }
    std::fprintf(f, "name=%s\ncwd=%s\n", name, cwd);
    for (int i = 1; i < argc; i++)
        std::fprintf(f, "arg=%s\n", argv[i]);
    std::fprintf(f, "\n");
    std::fclose(f);
    return 0;
}
