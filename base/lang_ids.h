// Names for the ids of the language texts (100000 and above: messages, captions, column titles,
// action names), one per row of the key table in base/lang_keys.cpp, with that row's key. Code
// that shows a text names it here rather than spelling the number; tests/base/lang_test.cpp
// checks every name against the table. Ids below 100000 are control and menu command ids and are
// named with their resources.
#pragma once

#include <cstdint>

// X(name, id, key) for every text.
#define VORNA_LANG_TEXTS(X) \
  X(kDlgSetNavi, 100058, "DlgSet_Navi") \
  X(kDlgSetGeo, 100059, "DlgSet_Geo") \
  X(kDlgSetPorts, 100060, "DlgSet_Ports") \
  X(kDlgSetButt, 100061, "DlgSet_Butt") \
  X(kDlgSetMap, 100080, "DlgSet_Map") \
  X(kDlgSetOther, 100062, "DlgSet_Other") \
  X(kDlgSetAlm, 100063, "DlgSet_Alm") \
  X(kDlgSetLang, 100076, "DlgSet_Lang") \
  X(kDlgSetAuto, 100086, "DlgSet_Auto") \
  X(kDlgSetAlmNotLoad, 100057, "DlgSetAlm_NotLoad") \
  X(kDlgSetBtLBt, 100071, "DlgSetBt_LBt") \
  X(kDlgDFMFileName, 100051, "DlgDFM_FileName") \
  X(kDlgDFMSize, 100052, "DlgDFM_Size") \
  X(kDlgDFMLoadTime, 100053, "DlgDFM_LoadTime") \
  X(kDlgDFMNoDevice, 100054, "DlgDFM_NoDevice") \
  X(kDlgDFMOn, 100055, "DlgDFM_on") \
  X(kDlgWayPtName, 100074, "DlgWayPt_Name") \
  X(kDlgWayPtCoord, 100075, "DlgWayPt_Coord") \
  X(kDlgSMAddr, 100078, "DlgSM_Addr") \
  X(kDlgSMObj, 100079, "DlgSM_Obj") \
  X(kMsgBadFile, 100000, "Msg_BadFile") \
  X(kMsgFileNotFound, 100001, "Msg_FileNotFound") \
  X(kMsgNoMemory, 100002, "Msg_NoMemory") \
  X(kMsgOpenFileErr, 100003, "Msg_OpenFileErr") \
  X(kMsgBadFileFormat, 100004, "Msg_BadFileFormat") \
  X(kMsgObjLib, 100005, "Msg_ObjLib") \
  X(kMsgOpenErr, 100006, "Msg_OpenErr_") \
  X(kMsgPortInitErr, 100007, "Msg_PortInitErr") \
  X(kMsgNoPalette, 100008, "Msg_NoPalette") \
  X(kMsgNoFonts, 100009, "Msg_NoFonts") \
  X(kMsgDelPointConf, 100010, "Msg_DelPointConf") \
  X(kMsgConf, 100011, "Msg_Conf") \
  X(kMsgBreakCopyConf, 100030, "Msg_BreakCopyConf") \
  X(kMsgProcKillConf, 100031, "Msg_ProcKillConf") \
  X(kMsgDelConf, 100032, "Msg_DelConf") \
  X(kMsgNoGPSLinkRetConf, 100033, "Msg_NoGPSLinkRetConf") \
  X(kMsgGeoOnConf, 100034, "Msg_GeoOnConf") \
  X(kMsgGeoOffConf, 100035, "Msg_GeoOffConf") \
  X(kMsgDLLNotFoundS, 100036, "Msg_DLLNotFound_S") \
  X(kMsgDLLBadFormatS, 100037, "Msg_DLLBadFormat_S") \
  X(kMsgPointsLinked, 100038, "Msg_PointsLinked") \
  X(kMsgInfo, 100039, "Msg_Info") \
  X(kMsgSetWMConf, 100040, "Msg_SetWMConf") \
  X(kMsgOpenMapConfS, 100043, "Msg_OpenMapConf_S") \
  X(kMsgDelAllConf, 100044, "Msg_DelAllConf") \
  X(kMsgAlmLoadedPart, 100045, "Msg_AlmLoadedPart") \
  X(kMsgAlmLoadedFull, 100046, "Msg_AlmLoadedFull") \
  X(kMsgAlmNotLoaded, 100047, "Msg_AlmNotLoaded") \
  X(kMsgBreakAndBegin, 100048, "Msg_BreakAndBegin") \
  X(kMsgKm, 100064, "Msg_Km") \
  X(kMsgM, 100065, "Msg_m") \
  X(kMsgRuleL, 100066, "Msg_RuleL") \
  X(kMsgMin, 100067, "Msg_Min") \
  X(kMsgSec, 100068, "Msg_Sec") \
  X(kMsgCopyTimeAndConf, 100069, "Msg_CopyTimeAndConf") \
  X(kMsgReplaceFileConf, 100070, "Msg_ReplaceFileConf") \
  X(kMsgLegendReadErrI, 100072, "Msg_LegendReadErr_I") \
  X(kMsgNoDict, 100073, "Msg_NoDict") \
  X(kMsgCopyToWMConf, 100077, "Msg_CopyToWMConf") \
  X(kMsgCreateWMConf, 100081, "Msg_CreateWMConf") \
  X(kMsgNoSelected, 100082, "Msg_NoSelected") \
  X(kMsgLoMemoryWarn, 100083, "Msg_LoMemoryWarn") \
  X(kMsgPointOutOfBoundErr, 100084, "Msg_PointOutOfBoundErr") \
  X(kMsgObjOutOfBoundErr, 100085, "Msg_ObjOutOfBoundErr") \
  X(kMsgNoWMMode, 100087, "Msg_NoWMMode") \
  X(kMsgNotCopied, 100131, "Msg_NotCopied") \
  X(kMsgLineFewVertices, 100480, "Msg_LineFewVertices") \
  X(kMsgAreaFewVertices, 100481, "Msg_AreaFewVertices") \
  X(kMsgSharpBend, 100482, "Msg_SharpBend") \
  X(kMsgRasterCalibPoints, 100151, "Msg_RasterCalibPoints") \
  X(kMsgRasterCalibScale, 100152, "Msg_RasterCalibScale") \
  X(kMsgRasterCalibFlat, 100153, "Msg_RasterCalibFlat") \
  X(kMsgRasterLoadErr, 100154, "Msg_RasterLoadErr") \
  X(kMsgMapReadErr, 100155, "Msg_MapReadErr") \
  X(kMsgRasterTooLarge, 100156, "Msg_RasterTooLarge") \
  X(kMsgSaveFileErrS, 100471, "Msg_SaveFileErr_S") \
  X(kMsgWMKeptUnsavedS, 100472, "Msg_WMKeptUnsaved_S") \
  X(kMsgPrjMapsNotOpenedS, 100473, "Msg_PrjMapsNotOpened_S") \
  X(kMsgMapCopyFoundSS, 100474, "Msg_MapCopyFound_SS") \
  X(kMsgWMFullErr, 100483, "Msg_WMFullErr") \
  X(kMsgTrackNoWMErr, 100484, "Msg_TrackNoWMErr") \
  X(kMsgNotProjectErrS, 100485, "Msg_NotProjectErr_S") \
  X(kMsgGeoNeedsReceiver, 100495, "Msg_GeoNeedsReceiver") \
  X(kMsgEchoSilent, 100157, "Msg_EchoSilent") \
  X(kMsgRouteNoRoad, 100486, "Msg_RouteNoRoad") \
  X(kMsgRouteNoNode, 100487, "Msg_RouteNoNode") \
  X(kMsgRouteNotFound, 100488, "Msg_RouteNotFound") \
  X(kMsgRouteNoGraph, 100530, "Msg_RouteNoGraph") \
  X(kMsgRouteNoMapS, 100531, "Msg_RouteNoMap_S") \
  X(kMsgNoGpsFix, 100489, "Msg_NoGpsFix") \
  X(kBtActNull, 110001, "BtAct_Null") \
  X(kBtActZoomIn, 110002, "BtAct_ZoomIn") \
  X(kBtActZoomOut, 110003, "BtAct_ZoomOut") \
  X(kBtActNavi, 110004, "BtAct_Navi") \
  X(kBtActNaviGo, 110005, "BtAct_NaviGo") \
  X(kBtActNaviLog, 110006, "BtAct_NaviLog") \
  X(kBtActNaviSetPt, 110007, "BtAct_NaviSetPt") \
  X(kBtActNaviSetPtMap, 110008, "BtAct_NaviSetPtMap") \
  X(kBtActGeo, 110009, "BtAct_Geo") \
  X(kBtActGeoSG, 110010, "BtAct_GeoSG") \
  X(kBtActGeoPt, 110011, "BtAct_GeoPt") \
  X(kBtActGeoLine, 110012, "BtAct_GeoLine") \
  X(kBtActSearchAddr, 110013, "BtAct_SearchAddr") \
  X(kBtActSearchObj, 110014, "BtAct_SearchObj") \
  X(kBtActSearchEnd, 110015, "BtAct_SearchEnd") \
  X(kBtActLockScreen, 110016, "BtAct_LockScreen") \
  X(kBtActExit, 110017, "BtAct_Exit") \
  X(kDlgSetLangBuiltIn, 100160, "DlgSetLang_BuiltIn") \
  X(kDlgPEPrjFilter, 100161, "DlgPE_PrjFilter") \
  X(kDlgSetAlmBaseFilter, 100162, "DlgSetAlm_BaseFilter")

namespace lang_id {
#define VORNA_LANG_ID(name, id, key) constexpr int32_t name = id;
VORNA_LANG_TEXTS(VORNA_LANG_ID)
#undef VORNA_LANG_ID
}  // namespace lang_id
