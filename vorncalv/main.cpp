// VORNCALV: radiometric calibration of the VORN instrument's complex spectra.
int main() { return 0; }
