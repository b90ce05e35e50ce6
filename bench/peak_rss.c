/* Runs a program and prints its peak resident memory in KiB, then exits with its status.
 *   vesperon_peak_rss PROGRAM [ARGUMENT...]
 * A process's peak counts the memory of the process it was forked from, so measuring a
 * program from a large parent overstates small peaks; this helper is that small parent. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: vesperon_peak_rss PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        return 2;
    }
    printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
