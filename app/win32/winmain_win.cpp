// WinMain: see below.
