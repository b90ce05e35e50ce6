/* The floor for a Windows check run: the shortest program doing the same work. It reads
 * the check list, and for each listed path asks its attributes and, for a file, opens it
 * with share mode 0 and closes it again.
 * Usage: probe_floor LIST   Exit status: 1 when a listed file is in use, 0 otherwise. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    char line[4096];
    wchar_t path[4096];
    int inUse = 0;
    FILE* list = argc > 1 ? _wfopen(argv[1], L"rb") : NULL;
    if (list == NULL) {
        return 2;
    }
    while (fgets(line, sizeof line, list) != NULL) {
        line[strcspn(line, "\r\n")] = '\0';
        if (line[0] == '\0' || line[0] == ';' ||
            MultiByteToWideChar(CP_UTF8, 0, line, -1, path, 4096) == 0) {
            continue;
        }
        DWORD attributes = GetFileAttributesW(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            continue;
        }
        HANDLE h =
            CreateFileW(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE) {
            ++inUse;
        } else {
            CloseHandle(h);
        }
    }
    fclose(list);
    return inUse > 0 ? 1 : 0;
}
