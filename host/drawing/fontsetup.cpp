// Font matching set-up: the host's own fontconfig configuration, and the per-thread Pango state.
//
// The system configuration already maps the spreadsheet's common faces to their metric twins
// (Calibri -> Carlito, Cambria -> Caladea, Arial / Times New Roman / Courier New -> Liberation).
// The aliases below repeat those and add faces the system leaves to the generic fallback, so that
// a workbook's face lands on the closest installed design. They are loaded into a configuration
// of our own; the process-wide fontconfig setup is not touched.
#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>
#include <cairo-ft.h>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>
#include "host/drawing/drawinginternal.h"
#include "host/kernel/fontfilelock.h"

namespace vkdraw {
namespace {

const char kHostAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <alias binding="same"><family>Calibri</family><prefer><family>Carlito</family></prefer></alias>
  <alias binding="same"><family>Calibri Light</family><prefer><family>Carlito</family></prefer></alias>
  <alias binding="same"><family>Cambria</family><prefer><family>Caladea</family></prefer></alias>
  <alias binding="same"><family>Cambria Math</family><prefer><family>Caladea</family></prefer></alias>
  <alias binding="same"><family>Arial</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>Times New Roman</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias binding="same"><family>Courier New</family><prefer><family>Liberation Mono</family></prefer></alias>
  <alias><family>Aptos</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>Aptos Narrow</family><prefer><family>Nimbus Sans Narrow</family><family>Liberation Sans</family></prefer></alias>
  <alias><family>Aptos Display</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>Microsoft Sans Serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>MS Sans Serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>MS Serif</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias><family>Segoe UI</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Tahoma</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Verdana</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Trebuchet MS</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Century Gothic</family><prefer><family>URW Gothic</family></prefer></alias>
  <alias><family>Georgia</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias><family>Garamond</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias><family>Book Antiqua</family><prefer><family>P052</family></prefer></alias>
  <alias><family>Consolas</family><prefer><family>Liberation Mono</family></prefer></alias>
  <alias><family>Lucida Console</family><prefer><family>Liberation Mono</family></prefer></alias>
  <!-- Faces of other scripts: the families that cover the script with the closest design. The
       CJK faces come first as TrueType designs (IPA Gothic and Mincho for Japanese, fixed-pitch to
       fixed-pitch and proportional to proportional; Nanum for Korean; WenQuanYi Zen Hei and AR PL
       UMing for Chinese sans and Ming/Song); Noto CJK stands in where they are not installed. -->
  <alias binding="same"><family>Malgun Gothic</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>맑은 고딕</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>Gulim</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>굴림</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>GulimChe</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>굴림체</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>Dotum</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>돋움</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>DotumChe</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>돋움체</family><prefer><family>NanumGothic</family><family>Noto Sans CJK KR</family></prefer></alias>
  <alias binding="same"><family>Batang</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>바탕</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>BatangChe</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>바탕체</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>Gungsuh</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>궁서</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>GungsuhChe</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>궁서체</family><prefer><family>NanumMyeongjo</family><family>Noto Serif CJK KR</family></prefer></alias>
  <alias binding="same"><family>MS Gothic</family><prefer><family>IPAGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ ゴシック</family><prefer><family>IPAGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS PGothic</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ Ｐゴシック</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS UI Gothic</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>Meiryo</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>メイリオ</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>Meiryo UI</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>Yu Gothic</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>游ゴシック</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>Yu Gothic UI</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>Yu Gothic Medium</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>游ゴシック Medium</family><prefer><family>IPAPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS Mincho</family><prefer><family>IPAMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ 明朝</family><prefer><family>IPAMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS PMincho</family><prefer><family>IPAPMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ Ｐ明朝</family><prefer><family>IPAPMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>Yu Mincho</family><prefer><family>IPAPMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>游明朝</family><prefer><family>IPAPMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>SimHei</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>黑体</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>Microsoft YaHei</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>微软雅黑</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>Microsoft YaHei UI</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>DengXian</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>等线</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>Microsoft JhengHei</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK TC</family></prefer></alias>
  <alias binding="same"><family>微軟正黑體</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK TC</family></prefer></alias>
  <alias binding="same"><family>Microsoft JhengHei UI</family><prefer><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK TC</family></prefer></alias>
  <alias binding="same"><family>SimSun</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>宋体</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>NSimSun</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>新宋体</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>FangSong</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>仿宋</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>KaiTi</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>楷体</family><prefer><family>AR PL UMing CN</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>MingLiU</family><prefer><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family></prefer></alias>
  <alias binding="same"><family>細明體</family><prefer><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family></prefer></alias>
  <alias binding="same"><family>PMingLiU</family><prefer><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family></prefer></alias>
  <alias binding="same"><family>新細明體</family><prefer><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family></prefer></alias>
  <alias binding="same"><family>DFKai-SB</family><prefer><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family></prefer></alias>
  <alias binding="same"><family>標楷體</family><prefer><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family></prefer></alias>
  <alias binding="same"><family>MingLiU_HKSCS</family><prefer><family>AR PL UMing HK</family><family>Noto Serif CJK HK</family></prefer></alias>
  <alias binding="same"><family>Arabic Typesetting</family><prefer><family>Noto Naskh Arabic</family></prefer></alias>
  <alias binding="same"><family>Simplified Arabic</family><prefer><family>Noto Naskh Arabic</family></prefer></alias>
  <alias binding="same"><family>Traditional Arabic</family><prefer><family>Noto Naskh Arabic</family></prefer></alias>
  <alias binding="same"><family>Sakkal Majalla</family><prefer><family>Noto Naskh Arabic</family></prefer></alias>
  <alias binding="same"><family>Andalus</family><prefer><family>Noto Naskh Arabic</family></prefer></alias>
  <alias binding="same"><family>Arabic Transparent</family><prefer><family>Noto Naskh Arabic</family></prefer></alias>
  <alias binding="same"><family>David</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Miriam</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Miriam Fixed</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>FrankRuehl</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Narkisim</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Levenim MT</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Gisha</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Aharoni</family><prefer><family>Noto Sans Hebrew</family></prefer></alias>
  <alias binding="same"><family>Angsana New</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>AngsanaUPC</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>Cordia New</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>CordiaUPC</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>Browallia New</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>BrowalliaUPC</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>Leelawadee</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>Leelawadee UI</family><prefer><family>Noto Sans Thai</family></prefer></alias>
  <alias binding="same"><family>Mangal</family><prefer><family>Noto Sans Devanagari</family></prefer></alias>
  <alias binding="same"><family>Aparajita</family><prefer><family>Noto Sans Devanagari</family></prefer></alias>
  <alias binding="same"><family>Kokila</family><prefer><family>Noto Sans Devanagari</family></prefer></alias>
  <alias binding="same"><family>Utsaah</family><prefer><family>Noto Sans Devanagari</family></prefer></alias>
  <alias binding="same"><family>Nirmala UI</family><prefer><family>Noto Sans Devanagari</family></prefer></alias>
  <!-- The Latin members of the family that brings the other scripts are left out, so that the
       generic families (and every face that falls back to them) keep their usual faces. -->
  <selectfont><rejectfont>
    <glob>*/NotoSans-*</glob><glob>*/NotoSerif-*</glob><glob>*/NotoSansMono-*</glob>
    <glob>*/NotoSansDisplay-*</glob><glob>*/NotoSerifDisplay-*</glob>
  </rejectfont></selectfont>
  <!-- AR PL UMing carries monochrome bitmaps for small sizes; outlines match the smoothed text
       around them (and take a synthetic bold without smudging). -->
  <match target="font"><test name="family" compare="contains"><string>AR PL UMing</string></test>
    <edit name="embeddedbitmap" mode="assign"><bool>false</bool></edit></match>
</fontconfig>
)";

// Text of a CJK language in a face without it (a Latin face, or an unknown one) falls back to the
// TrueType face of that language and generic family: placed first but weak, so the requested face
// still draws what it covers and only the language's own faces outrank it.
struct LanguageFallback {
  const char* lang;
  const char* sans;
  const char* serif;
};
constexpr LanguageFallback kCjkFallbacks[] = {
    {"ja", "IPAPGothic", "IPAPMincho"},           {"ko", "NanumGothic", "NanumMyeongjo"},
    {"zh-cn", "WenQuanYi Zen Hei", "AR PL UMing CN"}, {"zh-sg", "WenQuanYi Zen Hei", "AR PL UMing CN"},
    {"zh-tw", "WenQuanYi Zen Hei", "AR PL UMing TW"}, {"zh-hk", "WenQuanYi Zen Hei", "AR PL UMing HK"}};

// The fallback rules above as a fontconfig document.
std::string CjkFallbackRules() {
  std::string rules = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n";
  for (const LanguageFallback& f : kCjkFallbacks)
    for (const auto& [generic, family] : {std::pair{"sans-serif", f.sans}, std::pair{"serif", f.serif}})
      rules += std::string("<match target=\"pattern\"><test name=\"lang\" compare=\"contains\"><string>") + f.lang +
               "</string></test><test name=\"family\"><string>" + generic +
               "</string></test><edit name=\"family\" mode=\"prepend_first\" binding=\"weak\"><string>" + family +
               "</string></edit></match>\n";
  return rules + "</fontconfig>\n";
}

// The TrueType CJK faces the aliases and fallbacks above name first.
const char* const kTrueTypeCjkFamilies[] = {"IPAGothic",         "IPAPGothic",     "IPAMincho",      "IPAPMincho",
                                            "NanumGothic",       "NanumMyeongjo",  "WenQuanYi Zen Hei",
                                            "AR PL UMing CN",    "AR PL UMing TW", "AR PL UMing HK"};

// With those faces installed, Noto CJK is left out as well, so that no fallback can reach it: its
// files are CID-keyed CFF fonts, which Cairo 1.16 embeds in a PDF through a subsetter that loses
// a block per font and document, while TrueType outlines take a path that frees what it reads.
const char kNoCidKeyedCjk[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <selectfont><rejectfont>
    <glob>*/NotoSansCJK*</glob><glob>*/NotoSerifCJK*</glob><glob>*/NotoSansMonoCJK*</glob>
  </rejectfont></selectfont>
  <!-- Workbooks written on other systems name Noto CJK itself: the TrueType face of its language. -->
  <alias binding="same"><family>Noto Sans CJK JP</family><prefer><family>IPAPGothic</family></prefer></alias>
  <alias binding="same"><family>Noto Serif CJK JP</family><prefer><family>IPAPMincho</family></prefer></alias>
  <alias binding="same"><family>Noto Sans Mono CJK JP</family><prefer><family>IPAGothic</family></prefer></alias>
  <alias binding="same"><family>Noto Sans CJK KR</family><prefer><family>NanumGothic</family></prefer></alias>
  <alias binding="same"><family>Noto Serif CJK KR</family><prefer><family>NanumMyeongjo</family></prefer></alias>
  <alias binding="same"><family>Noto Sans Mono CJK KR</family><prefer><family>NanumGothicCoding</family></prefer></alias>
  <alias binding="same"><family>Noto Sans CJK SC</family><prefer><family>WenQuanYi Zen Hei</family></prefer></alias>
  <alias binding="same"><family>Noto Sans CJK TC</family><prefer><family>WenQuanYi Zen Hei</family></prefer></alias>
  <alias binding="same"><family>Noto Sans CJK HK</family><prefer><family>WenQuanYi Zen Hei</family></prefer></alias>
  <alias binding="same"><family>Noto Sans Mono CJK SC</family><prefer><family>WenQuanYi Zen Hei Mono</family></prefer></alias>
  <alias binding="same"><family>Noto Sans Mono CJK TC</family><prefer><family>WenQuanYi Zen Hei Mono</family></prefer></alias>
  <alias binding="same"><family>Noto Sans Mono CJK HK</family><prefer><family>WenQuanYi Zen Hei Mono</family></prefer></alias>
  <alias binding="same"><family>Noto Serif CJK SC</family><prefer><family>AR PL UMing CN</family></prefer></alias>
  <alias binding="same"><family>Noto Serif CJK TC</family><prefer><family>AR PL UMing TW</family></prefer></alias>
  <alias binding="same"><family>Noto Serif CJK HK</family><prefer><family>AR PL UMing HK</family></prefer></alias>
</fontconfig>
)";

FcConfig* g_config = nullptr;
std::once_flag g_configOnce;

// The system's configuration plus ours (and `extra` when given), with its fonts listed; null
// when fontconfig cannot load. The fonts are listed after our configuration is in, since it
// leaves some files out.
FcConfig* LoadHostConfig(const char* extra) {
  FcConfig* config = FcInitLoadConfig();
  if (!config) return nullptr;
  FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kHostAliases), FcFalse);
  try {
    const std::string fallbacks = CjkFallbackRules();
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(fallbacks.c_str()), FcFalse);
  } catch (const std::bad_alloc&) {
    // Without the rules, CJK text in other faces falls back by fontconfig's own order.
  }
  if (extra) FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(extra), FcFalse);
  if (!FcConfigBuildFonts(config)) {
    FcConfigDestroy(config);
    return nullptr;
  }
  return config;
}

// Whether `config` lists a TrueType-outline font of `family`.
bool HasTrueTypeFamily(FcConfig* config, const char* family) {
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
  if (!pattern || !objects) {
    if (pattern) FcPatternDestroy(pattern);
    if (objects) FcObjectSetDestroy(objects);
    return false;
  }
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
  FcFontSet* found = FcFontList(config, pattern, objects);
  const bool has = found && found->nfont > 0;
  if (found) FcFontSetDestroy(found);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return has;
}

bool HasTrueTypeCjkFaces(FcConfig* config) {
  for (const char* family : kTrueTypeCjkFamilies)
    if (!HasTrueTypeFamily(config, family)) return false;
  return true;
}

// Our configuration: Noto CJK is kept only on a machine that lacks one of the TrueType CJK faces,
// so that CJK text always finds a face. Null when fontconfig cannot load, in which case Pango uses
// the process default.
FcConfig* HostFontConfig() {
  std::call_once(g_configOnce, [] {
    FcConfig* config = LoadHostConfig(nullptr);
    if (config && HasTrueTypeCjkFaces(config)) {
      if (FcConfig* trueTypeOnly = LoadHostConfig(kNoCidKeyedCjk)) {
        FcConfigDestroy(config);
        config = trueTypeOnly;
      }
    }
    g_config = config;
  });
  return g_config;
}

}  // namespace

std::mutex& FontFileMutex() { return vkhost::FontFileMutex(); }

void PrepareFontConfigs() {
  HostFontConfig();
  // Pango waits for the process's default configuration before its first font choice, even
  // when its font map uses ours; loading it here spares the first text that wait.
  FcInit();
}

bool KeepFontFileOpen(cairo_scaled_font_t* scaled) {
  // The FreeType faces held open, one per font file, each locked once through a referenced
  // scaled font that is never released (every size of a file shares its face).
  static auto* kept = new std::vector<std::pair<FT_Face, cairo_scaled_font_t*>>;
  constexpr size_t kMaxKept = 512;
  if (!scaled || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS ||
      cairo_scaled_font_get_type(scaled) != CAIRO_FONT_TYPE_FT)
    return false;
  FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
  if (!face) return false;
  for (const auto& entry : *kept)
    if (entry.first == face) {
      cairo_ft_scaled_font_unlock_face(scaled);
      return true;
    }
  if (kept->size() >= kMaxKept) {
    cairo_ft_scaled_font_unlock_face(scaled);
    return false;
  }
  kept->emplace_back(face, cairo_scaled_font_reference(scaled));
  return true;
}

ThreadText::~ThreadText() {
  std::lock_guard<std::mutex> lock(FontFileMutex());
  DestroySimpleFaces(simple);
  if (vectorLayout) g_object_unref(vectorLayout);
  if (vectorContext) g_object_unref(vectorContext);
  if (drawLayout) g_object_unref(drawLayout);
  if (drawContext) g_object_unref(drawContext);
  if (scratch) cairo_destroy(scratch);
  if (scratchSurface) cairo_surface_destroy(scratchSurface);
  if (layout) g_object_unref(layout);
  if (measure) g_object_unref(measure);
  if (fontMap) g_object_unref(fontMap);
}

void ApplyTextOptions(PangoContext* context, bool antialias, bool hinted) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, hinted ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, hinted ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  if (!hinted) pango_context_set_round_glyph_positions(context, FALSE);
}

ThreadText* CurrentThreadText() {
  thread_local std::unique_ptr<ThreadText> t_text;
  thread_local bool t_failed = false;
  if (t_text) return t_text.get();
  if (t_failed) return nullptr;
  auto text = std::make_unique<ThreadText>();
  text->fontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (!text->fontMap) {
    t_failed = true;
    return nullptr;
  }
  if (FcConfig* config = HostFontConfig()) pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(text->fontMap), config);
  text->measure = pango_font_map_create_context(text->fontMap);
  ApplyTextOptions(text->measure, true);
  text->layout = pango_layout_new(text->measure);
  pango_layout_set_auto_dir(text->layout, FALSE);
  text->scratchSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  text->scratch = cairo_create(text->scratchSurface);
  if (cairo_status(text->scratch) != CAIRO_STATUS_SUCCESS) {
    t_failed = true;
    return nullptr;
  }
  text->drawContext = pango_font_map_create_context(text->fontMap);
  ApplyTextOptions(text->drawContext, true);
  pango_cairo_update_context(text->scratch, text->drawContext);
  text->drawLayout = pango_layout_new(text->drawContext);
  pango_layout_set_auto_dir(text->drawLayout, FALSE);
  t_text = std::move(text);
  return t_text.get();
}

}  // namespace vkdraw
