/* A stand-in libXinerama.so.1 that presents the monitors listed in the file named by
 * E2E_MONITORS, one "x y width height" line each, the primary first, on whatever X screen there
 * is. Wine reads it (with XRandR switched off) when a process starts or its displays are
 * refreshed; the caller frees the list with XFree, which is free(). */
#include <stdio.h>
#include <stdlib.h>

typedef struct {
  int screen_number;
  short x_org, y_org, width, height;
} XineramaScreenInfo;

int XineramaQueryExtension(void* display, int* event_base, int* error_base) {
  *event_base = *error_base = 0;
  return 1;
}

int XineramaIsActive(void* display) { return 1; }

XineramaScreenInfo* XineramaQueryScreens(void* display, int* count) {
  const char* name = getenv("E2E_MONITORS");
  FILE* file = name ? fopen(name, "r") : NULL;
  XineramaScreenInfo* screens = calloc(16, sizeof *screens);
  int x, y, width, height;
  *count = 0;
  while (file && screens && *count < 16 &&
         fscanf(file, "%d %d %d %d", &x, &y, &width, &height) == 4) {
    screens[*count] = (XineramaScreenInfo){*count, x, y, width, height};
    ++*count;
  }
  if (file) fclose(file);
  return screens;
}
