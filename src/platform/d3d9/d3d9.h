// The graphics device the renderer draws through, shaped like Direct3D 9: its names, constants
// (with their numeric values), records and calls, for the subset the runner uses.
//
// Two implementations share these interfaces: the OpenGL 3.3 device (Direct3DCreate9) and the
// recording device (platform/d3d9/recording_device.h), which logs every call and draws nothing.
//
// Conventions, kept exactly as the renderer expects them:
// - pixel centres lie at integer coordinates (the renderer adds its own half-pixel correction);
// - depth runs 0..1; front faces are clockwise on screen;
// - images, render targets and read-back are stored top row first;
// - 32-bit pixels are bytes B, G, R, A in memory (A8R8G8B8), and so are vertex colours.
// Reference counts work as Direct3D keeps them: every Create* and Get* that hands out an object
// adds a reference that the caller releases; surfaces of a texture share the texture's count.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// ---------------------------------------------------------------------------------------------
// Results

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = static_cast<HRESULT>(0x88760818u);
constexpr HRESULT D3DERR_NOTFOUND = static_cast<HRESULT>(0x88760866u);
constexpr HRESULT D3DERR_MOREDATA = static_cast<HRESULT>(0x88760867u);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = static_cast<HRESULT>(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
constexpr HRESULT D3DERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;

// ---------------------------------------------------------------------------------------------
// Enumerations and flags

using D3DCOLOR = DWORD;  // 0xAARRGGBB
constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b) {
  return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

constexpr DWORD MAKEFOURCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
         (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

enum D3DFORMAT : DWORD {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_R8G8B8 = 20,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_X1R5G5B5 = 24,
  D3DFMT_A1R5G5B5 = 25,
  D3DFMT_A4R4G4B4 = 26,
  D3DFMT_A8 = 28,
  D3DFMT_A8B8G8R8 = 32,
  D3DFMT_X8B8G8R8 = 33,
  D3DFMT_P8 = 41,
  D3DFMT_L8 = 50,
  D3DFMT_A8L8 = 51,
  D3DFMT_D16_LOCKABLE = 70,
  D3DFMT_D32 = 71,
  D3DFMT_D24S8 = 75,
  D3DFMT_D24X8 = 77,
  D3DFMT_D16 = 80,
  D3DFMT_VERTEXDATA = 100,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
  D3DFMT_R16F = 111,
  D3DFMT_R32F = 114,
  D3DFMT_DXT1 = MAKEFOURCC('D', 'X', 'T', '1'),
  D3DFMT_DXT2 = MAKEFOURCC('D', 'X', 'T', '2'),
  D3DFMT_DXT3 = MAKEFOURCC('D', 'X', 'T', '3'),
  D3DFMT_DXT4 = MAKEFOURCC('D', 'X', 'T', '4'),
  D3DFMT_DXT5 = MAKEFOURCC('D', 'X', 'T', '5'),
  D3DFMT_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DPOOL : DWORD {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
  D3DPOOL_SYSTEMMEM = 2,
  D3DPOOL_SCRATCH = 3,
};

enum D3DRESOURCETYPE : DWORD {
  D3DRTYPE_SURFACE = 1,
  D3DRTYPE_VOLUME = 2,
  D3DRTYPE_TEXTURE = 3,
  D3DRTYPE_VOLUMETEXTURE = 4,
  D3DRTYPE_CUBETEXTURE = 5,
  D3DRTYPE_VERTEXBUFFER = 6,
  D3DRTYPE_INDEXBUFFER = 7,
};

enum D3DMULTISAMPLE_TYPE : DWORD {
  D3DMULTISAMPLE_NONE = 0,
  D3DMULTISAMPLE_NONMASKABLE = 1,
  D3DMULTISAMPLE_2_SAMPLES = 2,
  D3DMULTISAMPLE_4_SAMPLES = 4,
  D3DMULTISAMPLE_8_SAMPLES = 8,
  D3DMULTISAMPLE_16_SAMPLES = 16,
};

enum D3DSWAPEFFECT : DWORD {
  D3DSWAPEFFECT_DISCARD = 1,
  D3DSWAPEFFECT_FLIP = 2,
  D3DSWAPEFFECT_COPY = 3,
  D3DSWAPEFFECT_OVERLAY = 4,
  D3DSWAPEFFECT_FLIPEX = 5,
};

enum D3DDEVTYPE : DWORD {
  D3DDEVTYPE_HAL = 1,
  D3DDEVTYPE_REF = 2,
  D3DDEVTYPE_SW = 3,
  D3DDEVTYPE_NULLREF = 4,
};

enum D3DBACKBUFFER_TYPE : DWORD {
  D3DBACKBUFFER_TYPE_MONO = 0,
  D3DBACKBUFFER_TYPE_LEFT = 1,
  D3DBACKBUFFER_TYPE_RIGHT = 2,
};

enum D3DTEXTUREFILTERTYPE : DWORD {
  D3DTEXF_NONE = 0,
  D3DTEXF_POINT = 1,
  D3DTEXF_LINEAR = 2,
  D3DTEXF_ANISOTROPIC = 3,
};

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x00000001;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x00000002;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x00000008;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x00000200;
constexpr DWORD D3DUSAGE_AUTOGENMIPMAP = 0x00000400;

constexpr DWORD D3DLOCK_READONLY = 0x00000010;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x00000800;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x00001000;
constexpr DWORD D3DLOCK_DISCARD = 0x00002000;
constexpr DWORD D3DLOCK_DONOTWAIT = 0x00004000;
constexpr DWORD D3DLOCK_NO_DIRTY_UPDATE = 0x00008000;

constexpr DWORD D3DCLEAR_TARGET = 0x00000001;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x00000002;
constexpr DWORD D3DCLEAR_STENCIL = 0x00000004;

constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x00000002;
constexpr DWORD D3DCREATE_MULTITHREADED = 0x00000004;
constexpr DWORD D3DCREATE_PUREDEVICE = 0x00000010;
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x00000040;
constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x00000080;

constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0x00000000;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 0x00000001;
constexpr UINT D3DPRESENT_INTERVAL_TWO = 0x00000002;
constexpr UINT D3DPRESENT_INTERVAL_THREE = 0x00000004;
constexpr UINT D3DPRESENT_INTERVAL_FOUR = 0x00000008;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;

constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x00000001;

// Capability bits that the device reports.
constexpr DWORD D3DPRASTERCAPS_DITHER = 0x00000001;
constexpr DWORD D3DPRASTERCAPS_ZTEST = 0x00000010;
constexpr DWORD D3DPRASTERCAPS_FOGVERTEX = 0x00000080;
constexpr DWORD D3DPRASTERCAPS_FOGTABLE = 0x00000100;
constexpr DWORD D3DPRASTERCAPS_FOGRANGE = 0x00010000;
constexpr DWORD D3DPRASTERCAPS_SCISSORTEST = 0x01000000;
constexpr DWORD D3DPTFILTERCAPS_MINFPOINT = 0x00000100;
constexpr DWORD D3DPTFILTERCAPS_MINFLINEAR = 0x00000200;
constexpr DWORD D3DPTFILTERCAPS_MAGFPOINT = 0x01000000;
constexpr DWORD D3DPTFILTERCAPS_MAGFLINEAR = 0x02000000;
constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x00000004;
constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
constexpr DWORD D3DCAPS2_DYNAMICTEXTURES = 0x20000000;

constexpr DWORD D3DPRASTERCAPS_WFOG = 0x00100000;
constexpr DWORD D3DPRASTERCAPS_ZFOG = 0x00200000;
constexpr DWORD D3DPMISCCAPS_MASKZ = 0x00000002;
constexpr DWORD D3DPMISCCAPS_CULLNONE = 0x00000010;
constexpr DWORD D3DPMISCCAPS_CULLCW = 0x00000020;
constexpr DWORD D3DPMISCCAPS_CULLCCW = 0x00000040;
constexpr DWORD D3DPMISCCAPS_COLORWRITEENABLE = 0x00000080;
constexpr DWORD D3DPMISCCAPS_BLENDOP = 0x00000800;
constexpr DWORD D3DPMISCCAPS_SEPARATEALPHABLEND = 0x00020000;

// ---------------------------------------------------------------------------------------------
// Fixed-function pipeline: states and their values

enum D3DRENDERSTATETYPE : DWORD {
  D3DRS_ZENABLE = 7,
  D3DRS_FILLMODE = 8,
  D3DRS_SHADEMODE = 9,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_ALPHATESTENABLE = 15,
  D3DRS_LASTPIXEL = 16,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23,
  D3DRS_ALPHAREF = 24,
  D3DRS_ALPHAFUNC = 25,
  D3DRS_DITHERENABLE = 26,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_FOGENABLE = 28,
  D3DRS_SPECULARENABLE = 29,
  D3DRS_FOGCOLOR = 34,
  D3DRS_FOGTABLEMODE = 35,
  D3DRS_FOGSTART = 36,  // floats travel as their bits
  D3DRS_FOGEND = 37,
  D3DRS_FOGDENSITY = 38,
  D3DRS_RANGEFOGENABLE = 48,
  D3DRS_STENCILENABLE = 52,
  D3DRS_STENCILFAIL = 53,
  D3DRS_STENCILZFAIL = 54,
  D3DRS_STENCILPASS = 55,
  D3DRS_STENCILFUNC = 56,
  D3DRS_STENCILREF = 57,
  D3DRS_STENCILMASK = 58,
  D3DRS_STENCILWRITEMASK = 59,
  D3DRS_TEXTUREFACTOR = 60,
  D3DRS_CLIPPING = 136,
  D3DRS_LIGHTING = 137,
  D3DRS_AMBIENT = 139,
  D3DRS_FOGVERTEXMODE = 140,
  D3DRS_COLORVERTEX = 141,
  D3DRS_LOCALVIEWER = 142,
  D3DRS_NORMALIZENORMALS = 143,
  D3DRS_DIFFUSEMATERIALSOURCE = 145,
  D3DRS_SPECULARMATERIALSOURCE = 146,
  D3DRS_AMBIENTMATERIALSOURCE = 147,
  D3DRS_EMISSIVEMATERIALSOURCE = 148,
  D3DRS_POINTSIZE = 154,
  D3DRS_POINTSIZE_MIN = 155,
  D3DRS_MULTISAMPLEANTIALIAS = 161,
  D3DRS_MULTISAMPLEMASK = 162,
  D3DRS_POINTSIZE_MAX = 166,
  D3DRS_COLORWRITEENABLE = 168,
  D3DRS_BLENDOP = 171,
  D3DRS_SCISSORTESTENABLE = 174,
  D3DRS_BLENDFACTOR = 193,
  D3DRS_SEPARATEALPHABLENDENABLE = 206,
  D3DRS_SRCBLENDALPHA = 207,
  D3DRS_DESTBLENDALPHA = 208,
  D3DRS_BLENDOPALPHA = 209,
  D3DRS_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DZBUFFERTYPE : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2 };
enum D3DFILLMODE : DWORD { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : DWORD { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DFOGMODE : DWORD { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum D3DMATERIALCOLORSOURCE : DWORD { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };

enum D3DBLEND : DWORD {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
  D3DBLEND_SRCALPHASAT = 11,
  D3DBLEND_BOTHSRCALPHA = 12,
  D3DBLEND_BOTHINVSRCALPHA = 13,
  D3DBLEND_BLENDFACTOR = 14,
  D3DBLEND_INVBLENDFACTOR = 15,
  D3DBLEND_SRCCOLOR2 = 16,
  D3DBLEND_INVSRCCOLOR2 = 17,
};

enum D3DBLENDOP : DWORD {
  D3DBLENDOP_ADD = 1,
  D3DBLENDOP_SUBTRACT = 2,
  D3DBLENDOP_REVSUBTRACT = 3,
  D3DBLENDOP_MIN = 4,
  D3DBLENDOP_MAX = 5,
};

enum D3DCMPFUNC : DWORD {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
};

enum D3DSTENCILOP : DWORD {
  D3DSTENCILOP_KEEP = 1,
  D3DSTENCILOP_ZERO = 2,
  D3DSTENCILOP_REPLACE = 3,
  D3DSTENCILOP_INCRSAT = 4,
  D3DSTENCILOP_DECRSAT = 5,
  D3DSTENCILOP_INVERT = 6,
  D3DSTENCILOP_INCR = 7,
  D3DSTENCILOP_DECR = 8,
};

constexpr DWORD D3DCOLORWRITEENABLE_RED = 1;
constexpr DWORD D3DCOLORWRITEENABLE_GREEN = 2;
constexpr DWORD D3DCOLORWRITEENABLE_BLUE = 4;
constexpr DWORD D3DCOLORWRITEENABLE_ALPHA = 8;

enum D3DSAMPLERSTATETYPE : DWORD {
  D3DSAMP_ADDRESSU = 1,
  D3DSAMP_ADDRESSV = 2,
  D3DSAMP_ADDRESSW = 3,
  D3DSAMP_BORDERCOLOR = 4,
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_MIPFILTER = 7,
  D3DSAMP_MIPMAPLODBIAS = 8,
  D3DSAMP_MAXMIPLEVEL = 9,
  D3DSAMP_MAXANISOTROPY = 10,
  D3DSAMP_SRGBTEXTURE = 11,
  D3DSAMP_ELEMENTINDEX = 12,
  D3DSAMP_DMAPOFFSET = 13,
};

enum D3DTEXTUREADDRESS : DWORD {
  D3DTADDRESS_WRAP = 1,
  D3DTADDRESS_MIRROR = 2,
  D3DTADDRESS_CLAMP = 3,
  D3DTADDRESS_BORDER = 4,
  D3DTADDRESS_MIRRORONCE = 5,
};

enum D3DTEXTURESTAGESTATETYPE : DWORD {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_BUMPENVMAT00 = 7,
  D3DTSS_BUMPENVMAT01 = 8,
  D3DTSS_BUMPENVMAT10 = 9,
  D3DTSS_BUMPENVMAT11 = 10,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_BUMPENVLSCALE = 22,
  D3DTSS_BUMPENVLOFFSET = 23,
  D3DTSS_TEXTURETRANSFORMFLAGS = 24,
  D3DTSS_COLORARG0 = 26,
  D3DTSS_ALPHAARG0 = 27,
  D3DTSS_RESULTARG = 28,
  D3DTSS_CONSTANT = 32,
};

enum D3DTEXTUREOP : DWORD {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
  D3DTOP_MODULATE2X = 5,
  D3DTOP_MODULATE4X = 6,
  D3DTOP_ADD = 7,
  D3DTOP_ADDSIGNED = 8,
  D3DTOP_ADDSIGNED2X = 9,
  D3DTOP_SUBTRACT = 10,
};

// Texture-stage arguments: a source in the low bits, modifiers above.
constexpr DWORD D3DTA_SELECTMASK = 0x0000000F;
constexpr DWORD D3DTA_DIFFUSE = 0x00000000;
constexpr DWORD D3DTA_CURRENT = 0x00000001;
constexpr DWORD D3DTA_TEXTURE = 0x00000002;
constexpr DWORD D3DTA_TFACTOR = 0x00000003;
constexpr DWORD D3DTA_SPECULAR = 0x00000004;
constexpr DWORD D3DTA_TEMP = 0x00000005;
constexpr DWORD D3DTA_CONSTANT = 0x00000006;
constexpr DWORD D3DTA_COMPLEMENT = 0x00000010;
constexpr DWORD D3DTA_ALPHAREPLICATE = 0x00000020;

enum D3DTRANSFORMSTATETYPE : DWORD {
  D3DTS_VIEW = 2,
  D3DTS_PROJECTION = 3,
  D3DTS_TEXTURE0 = 16,
  D3DTS_TEXTURE7 = 23,
  D3DTS_WORLD = 256,
  D3DTS_FORCE_DWORD = 0x7FFFFFFF,
};
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(DWORD index) {
  return static_cast<D3DTRANSFORMSTATETYPE>(index + 256);
}

enum D3DLIGHTTYPE : DWORD {
  D3DLIGHT_POINT = 1,
  D3DLIGHT_SPOT = 2,
  D3DLIGHT_DIRECTIONAL = 3,
};

enum D3DPRIMITIVETYPE : DWORD {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

// Flexible vertex formats: which fields a vertex holds, in this order.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_POSITION_MASK = 0x400E;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_PSIZE = 0x020;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_TEX0 = 0x000;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_TEX2 = 0x200;
// Coordinates per texture set (2 unless said): 16 bits up, two bits per set.
constexpr DWORD D3DFVF_TEXCOORDSIZE1(DWORD set) { return 3u << (set * 2 + 16); }
constexpr DWORD D3DFVF_TEXCOORDSIZE2(DWORD) { return 0; }
constexpr DWORD D3DFVF_TEXCOORDSIZE3(DWORD set) { return 1u << (set * 2 + 16); }
constexpr DWORD D3DFVF_TEXCOORDSIZE4(DWORD set) { return 2u << (set * 2 + 16); }

enum D3DDECLTYPE : BYTE {
  D3DDECLTYPE_FLOAT1 = 0,
  D3DDECLTYPE_FLOAT2 = 1,
  D3DDECLTYPE_FLOAT3 = 2,
  D3DDECLTYPE_FLOAT4 = 3,
  D3DDECLTYPE_D3DCOLOR = 4,
  D3DDECLTYPE_UBYTE4 = 5,
  D3DDECLTYPE_UNUSED = 17,
};

enum D3DDECLMETHOD : BYTE { D3DDECLMETHOD_DEFAULT = 0 };

enum D3DDECLUSAGE : BYTE {
  D3DDECLUSAGE_POSITION = 0,
  D3DDECLUSAGE_BLENDWEIGHT = 1,
  D3DDECLUSAGE_BLENDINDICES = 2,
  D3DDECLUSAGE_NORMAL = 3,
  D3DDECLUSAGE_PSIZE = 4,
  D3DDECLUSAGE_TEXCOORD = 5,
  D3DDECLUSAGE_TANGENT = 6,
  D3DDECLUSAGE_BINORMAL = 7,
  D3DDECLUSAGE_TESSFACTOR = 8,
  D3DDECLUSAGE_POSITIONT = 9,
  D3DDECLUSAGE_COLOR = 10,
  D3DDECLUSAGE_FOG = 11,
  D3DDECLUSAGE_DEPTH = 12,
  D3DDECLUSAGE_SAMPLE = 13,
};

constexpr UINT MAXD3DDECLLENGTH = 64;

constexpr DWORD D3DVS_VERSION(DWORD major, DWORD minor) { return 0xFFFE0000u | (major << 8) | minor; }
constexpr DWORD D3DPS_VERSION(DWORD major, DWORD minor) { return 0xFFFF0000u | (major << 8) | minor; }

// ---------------------------------------------------------------------------------------------
// Records

struct D3DLOCKED_RECT {
  INT Pitch;
  void* pBits;
};

struct D3DVIEWPORT9 {
  DWORD X;
  DWORD Y;
  DWORD Width;
  DWORD Height;
  float MinZ;
  float MaxZ;
};

struct D3DRECT {
  LONG x1;
  LONG y1;
  LONG x2;
  LONG y2;
};

struct D3DDISPLAYMODE {
  UINT Width;
  UINT Height;
  UINT RefreshRate;
  D3DFORMAT Format;
};

struct D3DRASTER_STATUS {
  BOOL InVBlank;
  UINT ScanLine;
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  UINT Width;
  UINT Height;
};

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;
  UINT BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

constexpr int MAX_DEVICE_IDENTIFIER_STRING = 512;

struct D3DADAPTER_IDENTIFIER9 {
  char Driver[MAX_DEVICE_IDENTIFIER_STRING];
  char Description[MAX_DEVICE_IDENTIFIER_STRING];
  char DeviceName[32];
  int64_t DriverVersion;
  DWORD VendorId;
  DWORD DeviceId;
  DWORD SubSysId;
  DWORD Revision;
  BYTE DeviceIdentifier[16];
  DWORD WHQLLevel;
};

struct D3DCOLORVALUE {
  float r;
  float g;
  float b;
  float a;
};

struct D3DVECTOR {
  float x;
  float y;
  float z;
};

// Row-major; points are row vectors multiplied on the left, so translation sits in m[3][0..2].
struct D3DMATRIX {
  float m[4][4];
};

struct D3DMATERIAL9 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power;
};

struct D3DLIGHT9 {
  D3DLIGHTTYPE Type;
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Ambient;
  D3DVECTOR Position;
  D3DVECTOR Direction;
  float Range;
  float Falloff;
  float Attenuation0;
  float Attenuation1;
  float Attenuation2;
  float Theta;
  float Phi;
};

struct D3DVERTEXELEMENT9 {
  WORD Stream;
  WORD Offset;
  BYTE Type;
  BYTE Method;
  BYTE Usage;
  BYTE UsageIndex;
};
// The element that ends every declaration.
constexpr D3DVERTEXELEMENT9 D3DDECL_END() { return D3DVERTEXELEMENT9{0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}; }

struct D3DVERTEXBUFFER_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  UINT Size;
  DWORD FVF;
};

// The capability fields the runner and this layer use, under their platform names.
struct D3DCAPS9 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD Caps2;
  DWORD DevCaps;
  DWORD PrimitiveMiscCaps;
  DWORD RasterCaps;
  DWORD TextureCaps;
  DWORD TextureFilterCaps;
  DWORD MaxTextureWidth;
  DWORD MaxTextureHeight;
  DWORD MaxAnisotropy;
  DWORD MaxTextureBlendStages;
  DWORD MaxSimultaneousTextures;
  DWORD MaxActiveLights;
  float MaxPointSize;
  DWORD MaxPrimitiveCount;
  DWORD MaxVertexIndex;
  DWORD MaxStreams;
  DWORD MaxStreamStride;
  DWORD VertexShaderVersion;
  DWORD MaxVertexShaderConst;
  DWORD PixelShaderVersion;
  UINT MasterAdapterOrdinal;
  UINT AdapterOrdinalInGroup;
  UINT NumberOfAdaptersInGroup;
  DWORD NumSimultaneousRTs;
  DWORD StretchRectFilterCaps;
};

// The largest texture side the device reports: texture sizes are kept as side - 1 in 13 bits.
constexpr DWORD kD3D9MaxTextureSide = 8192;

// ---------------------------------------------------------------------------------------------
// Interfaces

class IDirect3DDevice9;

class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirect3DResource9 : public IUnknown {
 public:
  // Adds a reference to the device; null once the device is gone.
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  virtual DWORD SetPriority(DWORD priority) = 0;
  virtual DWORD GetPriority() = 0;
  virtual void PreLoad() = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
};

class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
  virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) = 0;
  virtual HRESULT UnlockRect() = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  virtual DWORD GetLevelCount() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** ppSurfaceLevel) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
  // Null marks the whole texture dirty.
  virtual HRESULT AddDirtyRect(const RECT* pDirtyRect) = 0;
};

// A buffer of vertices. Locks of a dynamic buffer may discard its contents (D3DLOCK_DISCARD) or
// promise not to touch what earlier draws read (D3DLOCK_NOOVERWRITE); one lock at a time.
class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  // Size 0 locks from the offset to the end.
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** ppbData, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DVertexDeclaration9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  // The elements with their closing D3DDECL_END; null pElement asks for the count only.
  virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) = 0;
};

class IDirect3D9;

class IDirect3DDevice9 : public IUnknown {
 public:
  // Device and presentation.
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual HRESULT GetDirect3D(IDirect3D9** ppD3D9) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS9* pCaps) = 0;
  virtual HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) = 0;
  virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                          const void* pDirtyRegion) = 0;
  virtual HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** ppBackBuffer) = 0;
  virtual HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) = 0;

  // Resources. pSharedHandle must be null.
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** ppTexture, void** pSharedHandle) = 0;
  virtual HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                     D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality,
                                     BOOL lockable, IDirect3DSurface9** ppSurface, void** pSharedHandle) = 0;
  virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                            D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality,
                                            BOOL discard, IDirect3DSurface9** ppSurface,
                                            void** pSharedHandle) = 0;
  // Copies the dirty region of a system-memory texture into a default-pool texture.
  virtual HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                                IDirect3DBaseTexture9* pDestinationTexture) = 0;
  virtual HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                              D3DTEXTUREFILTERTYPE filter) = 0;

  // Targets. Setting target 0 also sets the viewport to the whole new target.
  virtual HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* pRenderTarget) = 0;
  virtual HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** ppRenderTarget) = 0;
  virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) = 0;
  virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* pViewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* pViewport) = 0;
  // The rectangle D3DRS_SCISSORTESTENABLE confines drawing to (clears are not confined). Setting
  // target 0 and a reset make it the whole target.
  virtual HRESULT SetScissorRect(const RECT* pRect) = 0;
  virtual HRESULT GetScissorRect(RECT* pRect) = 0;

  // Frames.
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  // Clears the viewport (and within it the given rectangles) of every bound target.
  virtual HRESULT Clear(DWORD count, const D3DRECT* pRects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) = 0;

  // Fixed-function state. Reset puts every state back to its default and unbinds textures,
  // streams and the vertex declaration. Textures, stream buffers and the declaration that are
  // set hold a reference until they are replaced.
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* pValue) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* pValue) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* pValue) = 0;
  // Stages 0-8; default-pool and managed textures only.
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* pTexture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** ppTexture) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* pMatrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* pMatrix) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL9* pMaterial) = 0;
  // Lights 0-7, directional and point. Enabling a light never set enables the default light
  // (directional, white, pointing along +z).
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* pLight) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT9* pLight) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* pEnable) = 0;

  // Geometry. A non-zero FVF replaces the declaration; a declaration makes the FVF 0.
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  virtual HRESULT GetFVF(DWORD* pFVF) = 0;
  virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                          IDirect3DVertexDeclaration9** ppDecl) = 0;
  virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) = 0;
  virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** ppVertexBuffer, void** pSharedHandle) = 0;
  virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* pStreamData, UINT offsetInBytes,
                                  UINT stride) = 0;
  virtual HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                  UINT* pStride) = 0;
  // Draws happen inside a scene. The user-memory draw leaves stream 0 unset afterwards.
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                  const void* pVertexStreamZeroData, UINT vertexStreamZeroStride) = 0;
};

class IDirect3D9 : public IUnknown {
 public:
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* pIdentifier) = 0;
  virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                             BOOL windowed, D3DMULTISAMPLE_TYPE multiSampleType,
                                             DWORD* pQualityLevels) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* pCaps) = 0;
  virtual HMONITOR GetAdapterMonitor(UINT adapter) = 0;
  // With neither a focus window nor hDeviceWindow the device makes a hidden window of its own.
  // Zero back-buffer sizes take the window's client size and are written back.
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND hFocusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* pPresentationParameters,
                               IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

// The OpenGL implementation. Null when no OpenGL 3.3 core context can be made here;
// Direct3D9_LastError then holds one sentence saying why.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
const char* Direct3D9_LastError();
