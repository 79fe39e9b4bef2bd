/* The sample distribution's control library: both registration entries succeed. */
int DllRegisterServer(void) { return 0; }

int DllUnregisterServer(void) { return 0; }
