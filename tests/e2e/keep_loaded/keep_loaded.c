/* Preloaded into the sanitized game by the end-to-end harness: libraries stay
 * mapped until the process ends, so the leak check at exit can still name
 * the system libraries (Mesa's driver, Allegro's sound module) that own
 * leftover blocks and apply the suppressions to them. */
int dlclose(void* handle) {
  (void)handle;
  return 0;
}
