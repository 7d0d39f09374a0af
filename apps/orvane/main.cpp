// Orvane: the screen saver, its settings dialog and the wallpaper builder.
int main() { return 0; }
