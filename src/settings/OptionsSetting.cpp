#include "settings/OptionsSetting.h"

#include "platform/ProgramFolder.h"
#include "settings/ProfileFile.h"

#include <algorithm>

TOptionsSetting OptionsSetting;

QString SettingsFile() { return ProgramFolder() + "options.ini"; }

namespace {

// One pass over the table of keys, reading into or writing from the record.
class TSettingsPass {
 public:
  TSettingsPass(TProfileFile& file, bool read) : file_(file), read_(read) {}

  void Str(const char* section, const char* key, QString& field, const QString& def) {
    if (read_) {
      field = file_.ReadString(section, key, def);
    } else {
      file_.WriteString(section, key, field);
    }
  }
  void Int(const char* section, const char* key, int32_t& field, int32_t def) {
    if (read_) {
      field = file_.ReadInteger(section, key, def);
    } else {
      file_.WriteInteger(section, key, field);
    }
  }
  void Bool(const char* section, const char* key, bool& field, bool def) {
    if (read_) {
      field = file_.ReadBool(section, key, def);
    } else {
      file_.WriteBool(section, key, field);
    }
  }

 private:
  TProfileFile& file_;
  bool read_;
};

}  // namespace

void LoadSaveSettings(bool read) {
  TProfileFile file(SettingsFile());
  TSettingsPass p(file, read);
  TOptionsSetting& o = OptionsSetting;

  TCommonOptions& c = o.CommonOptions;
  p.Str("CommonOptions", "OutputFolder", c.OutputFolder, ProgramFolder() + "Output");
  p.Int("CommonOptions", "OutputFormat", c.OutputFormat, 0);
  p.Bool("CommonOptions", "IsKeepWav", c.IsKeepWav, false);
  p.Bool("CommonOptions", "IsNormalize", c.IsNormalize, false);
  p.Int("CommonOptions", "NormalizePercent", c.NormalizePercent, 95);
  p.Bool("CommonOptions", "EnableRipTime", c.EnableRipTime, false);
  p.Int("CommonOptions", "RipTime", c.RipTime, 0);

  TMp3Options& m = o.Mp3Options;
  p.Bool("Mp3Options", "IsSelectVBR", m.IsSelectVBR, false);
  p.Bool("Mp3Options", "IsVBRHead", m.IsVBRHead, false);
  p.Int("Mp3Options", "BitRate", m.BitRate, 128);
  p.Int("Mp3Options", "MaxBitRate", m.MaxBitRate, 320);
  p.Int("Mp3Options", "MpegQuality", m.MpegQuality, 0);
  p.Int("Mp3Options", "VBRQuality", m.VBRQuality, 4);
  p.Int("Mp3Options", "StereoMode", m.StereoMode, 1);

  TOggOptions& g = o.OggOptions;
  p.Bool("OggOptions", "IsUseCompress", g.IsUseCompress, true);
  p.Int("OggOptions", "CompressPosition", g.CompressPosition, 30);
  if (read) g.CompressPosition = std::clamp(g.CompressPosition, 30, 100);
  p.Int("OggOptions", "MaxBitRate", g.MaxBitRate, 0);
  p.Int("OggOptions", "NomalBitRate", g.NomalBitRate, 0);
  p.Int("OggOptions", "MinBitRate", g.MinBitRate, 0);

  p.Int("WMAOptions", "BitRate", o.WMAOptions.BitRate, 8);
  p.Int("CDOptions", "Index", o.CDOptions.Index, -1);
  p.Bool("CDOptions", "CDDb", o.CDOptions.CDDb, false);
  p.Bool("CDOptions", "SecureRead", o.CDOptions.SecureRead, true);
  p.Int("CDOptions", "ReadOffset", o.CDOptions.ReadOffset, 0);
  // Drives' offsets lie within a few thousand samples; more is a typo.
  if (read)
    o.CDOptions.ReadOffset = std::clamp(o.CDOptions.ReadOffset, -kMaxReadOffset, kMaxReadOffset);
  p.Bool("RecordOptions", "SaveMp3", o.RecordOptions.SaveMp3, false);

  TQueryCDDB& q = o.QueryCDDB;
  p.Str("QueryCDDB", "Server", q.Server, kDefaultCddbServer);
  p.Str("QueryCDDB", "Script", q.Script, "/~cddb/cddb.cgi");
  p.Bool("QueryCDDB", "UseProxy", q.UseProxy, false);
  p.Str("QueryCDDB", "ProxyAddress", q.ProxyAddress, "");
  p.Str("QueryCDDB", "Port", q.Port, "80");

  p.Bool("ID3", "Use", o.ID3Use, false);
  p.Bool("TipsOptions", "IsShowTips", o.IsShowTips, true);
  p.Int("Skin", "Index", o.SkinIndex, 0);

  if (!read) file.Save();
}
