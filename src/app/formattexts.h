// The texts of the formatting controls (UTF-8), exactly as the user sees them.
#pragma once

namespace velmo::formattexts {

inline constexpr char kTopIndentLabel[] = "左1行目";
inline constexpr char kTopIndentHint[] = "段落の第１行目インデントを指定します";
inline constexpr char kLeftIndentLabel[] = "左インデント";
inline constexpr char kLeftIndentHint[] = "段落２行目以降のインデントを指定します";
inline constexpr char kRightIndentLabel[] = "右インデント";
inline constexpr char kRightIndentHint[] = "右インデントを指定します";
inline constexpr char kSyncIndentCaption[] = "連動";
inline constexpr char kSyncIndentHint[] = "第１行目と２行目以降のインデントを同位置にします";
inline constexpr char kSyncRightIndentHint[] = "左右対称にインデントを行います";
inline constexpr char kOtherColorText[] = "その他(O)...";

} // namespace velmo::formattexts
