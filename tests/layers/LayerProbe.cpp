// Compiled once with the include folders of each layer (BW_LAYER: 0 core and
// the batch converter, 1 shell, 2 export, 3 window): a header of a higher
// layer must not be reachable, the layer's own headers must be. The build
// fails here when a library is wired to see upwards.

#if !__has_include("core/ConversionOptions.h")
#error "the number core is not reachable"
#endif

#if BW_LAYER < 1 && __has_include("shell/Platform.h")
#error "the platform layer is reachable from below it"
#endif
#if BW_LAYER < 2 && __has_include("export/TextFileExport.h")
#error "the export layer is reachable from below it"
#endif
#if BW_LAYER < 3 && __has_include("window/Form1.h")
#error "the window is reachable from below it"
#endif

#if BW_LAYER >= 1 && !__has_include("shell/Platform.h")
#error "the platform layer is not reachable"
#endif

int BasewrightLayerProbe() { return BW_LAYER; }
