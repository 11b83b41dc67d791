#pragma once
// Command numbers: menus, toolbars, accelerators and the context menu all send these.

namespace cmd {

// File
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileSave = 57603;
constexpr int kFileSaveAs = 57604;         // taken by the view as image export
constexpr int kFileSaveDocumentAs = 32830; // the document under another name
constexpr int kFilePrint = 57607;
constexpr int kFilePrintDirect = 57608;
constexpr int kFilePrintPreview = 57609;
constexpr int kFileMruFirst = 57616; // "Recent File" and the entries after it
constexpr int kFileMruLast = 57619;
constexpr int kFileExport = 32789;
constexpr int kAppExit = 57665;

// Symbology
constexpr int kCode39 = 32778;
constexpr int kCode39Ext = 32779;
constexpr int kCode93 = 32780;
constexpr int kCode128 = 32781;
constexpr int kUpcA = 32782;
constexpr int kUpcE = 32783;
constexpr int kEan13 = 32784;
constexpr int kEan8 = 32785;
constexpr int kPostnet = 32786;
constexpr int kCode39Mod43 = 32787;
constexpr int kI25 = 32788;

// Tools
constexpr int kEditCopy = 57634;
constexpr int kEditCopyWmf = 32813;
constexpr int kRotateLeft = 32798;
constexpr int kRotateRight = 32800;
constexpr int kZoomIn = 32793;
constexpr int kZoomOut = 32796;
constexpr int kOptions = 32804;
constexpr int kSymbolOptions = 32901; // every option of the symbol's symbology

// Help
constexpr int kUserGuide = 32812;
constexpr int kForum = 32888;
constexpr int kSupport = 32802;
constexpr int kAbout = 57664;

// Toolbar controls
constexpr int kDataBox = 32806;
constexpr int kHeightBox = 32808;
constexpr int kFontName = 32792;
constexpr int kFontSize = 32795;
constexpr int kShowText = 32797;
constexpr int kFontPicture = 32799;
constexpr int kSymbologyList = 32814;

// Edit
constexpr int kEditUndo = 57643;
constexpr int kEditRedo = 57644;

// Bound to keys but handled by nothing
constexpr int kEditCut = 57635;
constexpr int kEditPaste = 57637;
constexpr int kNextPane = 57680;
constexpr int kPrevPane = 57681;

// Status bar panes
constexpr int kPaneSymbology = 57610;
constexpr int kPaneSize = 57608;
constexpr int kPaneZoom = 57611;

} // namespace cmd
