/* Loads the window module as the program does and prints how long that took, in
 * microseconds. A fresh process with nothing but the C library mapped, as the program is
 * when interactive mode asks for its first window.
 *   module_load_probe MODULE */
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    void* entry = module != NULL ? dlsym(module, "vesperon_windowing_module") : NULL;
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (entry == NULL) {
        fprintf(stderr, "module_load_probe: %s\n", dlerror());
        return 1;
    }
    printf("%ld\n", (end.tv_sec - start.tv_sec) * 1000000L + (end.tv_nsec - start.tv_nsec) / 1000);
    return 0;
}
