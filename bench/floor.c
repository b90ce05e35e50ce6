/* The floor of a check run: the least work any program must do to decide the same list. One
 * pass over /proc (each process's descriptors, one stat each, and its maps, read whole), then
 * for each listed path one stat and one open and close, and a lookup among the held files.
 * Prints how many listed files are held; exit status 0, or 2 when it cannot work at all.
 *   vesperon_floor CHECK_LIST
 * The list is read as Vesperon reads it: lines starting with ";" and empty lines skipped, CR LF
 * or LF line ends. Nothing is cached, nothing is done twice. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

struct file_id {
    dev_t dev;
    ino_t ino;
};

static struct file_id* held;
static size_t held_count, held_capacity;

static void hold(dev_t dev, ino_t ino) {
    if (held_count == held_capacity) {
        held_capacity = held_capacity ? held_capacity * 2 : 4096;
        held = realloc(held, held_capacity * sizeof *held);
        if (held == NULL) {
            exit(2);
        }
    }
    held[held_count].dev = dev;
    held[held_count].ino = ino;
    ++held_count;
}

static int compare(const void* a, const void* b) {
    const struct file_id* x = a;
    const struct file_id* y = b;
    if (x->dev != y->dev) {
        return x->dev < y->dev ? -1 : 1;
    }
    return x->ino < y->ino ? -1 : x->ino > y->ino;
}

static void scan_descriptors(int proc, const char* pid) {
    char name[300];
    snprintf(name, sizeof name, "%s/fd", pid);
    int fd = openat(proc, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? NULL : fdopendir(fd);
    if (dir == NULL) {
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        struct stat target;
        if (entry->d_name[0] != '.' && fstatat(fd, entry->d_name, &target, 0) == 0) {
            hold(target.st_dev, target.st_ino);
        }
    }
    closedir(dir);
}

/* Mapped files count too; reading maps is the cost that matters, so each line's device and
 * inode are taken as they stand. */
static void scan_mappings(int proc, const char* pid) {
    static char buffer[1 << 20];
    char name[300];
    snprintf(name, sizeof name, "%s/maps", pid);
    int fd = openat(proc, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer - 1)) > 0) {
        buffer[n] = '\0';
        for (char* line = buffer; line != NULL && *line != '\0';) {
            /* "start-end perms offset major:minor inode   [path]" */
            char* field = line;
            for (int skip = 0; skip < 3 && field != NULL; ++skip) {
                field = strchr(field, ' ');
                field = field != NULL ? field + 1 : NULL;
            }
            if (field != NULL) {
                unsigned long major = strtoul(field, &field, 16);
                unsigned long minor = strtoul(field + 1, &field, 16);
                unsigned long long inode = strtoull(field, NULL, 10);
                if (inode != 0) {
                    hold(makedev(major, minor), (ino_t)inode);
                }
            }
            line = strchr(line, '\n');
            line = line != NULL ? line + 1 : NULL;
        }
    }
    close(fd);
}

static void scan_proc(void) {
    int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = proc < 0 ? NULL : fdopendir(proc);
    if (dir == NULL) {
        exit(2);
    }
    char self[32];
    snprintf(self, sizeof self, "%d", (int)getpid());
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9' && strcmp(entry->d_name, self)) {
            scan_descriptors(proc, entry->d_name);
            scan_mappings(proc, entry->d_name);
        }
    }
    closedir(dir);
    qsort(held, held_count, sizeof *held, compare);
}

int main(int argc, char** argv) {
    FILE* list = argc == 2 ? fopen(argv[1], "r") : NULL;
    if (list == NULL) {
        fprintf(stderr, "usage: vesperon_floor CHECK_LIST\n");
        return 2;
    }
    scan_proc();
    char* line = NULL;
    size_t size = 0;
    ssize_t length;
    long in_use = 0;
    while ((length = getline(&line, &size, list)) >= 0) {
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
            line[--length] = '\0';
        }
        struct stat info;
        if (length == 0 || line[0] == ';' || stat(line, &info) != 0) {
            continue;
        }
        int fd = open(line, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        struct file_id id = {info.st_dev, info.st_ino};
        if (fd < 0 || close(fd) != 0 || bsearch(&id, held, held_count, sizeof *held, compare)) {
            ++in_use;
        }
    }
    free(line);
    fclose(list);
    printf("%ld\n", in_use);
    return 0;
}
