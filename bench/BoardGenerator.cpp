#include "BoardGenerator.h"

#include "core/Cp932Codec.h"

#include <cstdio>

namespace {

const char* const kTitles[] = {"会議室の予約について", "来週の出張予定", "新しいプリンタの設定手順",
                               "年末調整の書類提出のお願い", "サーバ停止のお知らせ"};
const char* const kSentences[] = {
    "お疲れ様です。",
    "下記のとおりご連絡いたします。",
    "ご不明な点があれば総務部までお問い合わせください。",
    "資料は共有フォルダに置いてあります。",
    "期限までにご対応をお願いいたします。",
    "よろしくお願いいたします。",
};

} // namespace

std::string BoardGenerator::Generate(int count, const std::string& encoding)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n<root number=\"" +
                      std::to_string(count) + "\">";
    for (int i = 1; i <= count; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "2024%02d%02d%02d%02d%02d", 1 + i % 12, 1 + i % 28, i % 24, i % 60,
                      (i * 7) % 60);
        std::string contents;
        for (int s = 0; s < 8; ++s)
            contents += kSentences[(i + s) % 6];
        contents += "\n以上";
        xml += "<message date=\"" + std::string(date) + "\" hostname=\"pc" + std::to_string(i % 30) +
               "\" priority=\"" + std::to_string(i % 3) + "\" attach=\"" + std::to_string(i % 2) +
               "\" number=\"" + std::to_string(i) + "\">";
        // Line feeds only around the newest message: a message loses them
        // when the board is saved again.
        const char* feed = i == count ? "\n" : "";
        xml += std::string(feed) + "<title>" + kTitles[i % 5] + " 第" + std::to_string(i) + "号</title>" + feed +
               "<name>山田 太郎</name>" + feed + "<contents>" + contents + "</contents>" + feed + "</message>" + feed;
    }
    xml += "</root>\r\n";
    if (encoding == "UTF-8")
        return xml;
    return Cp932Codec::FromUtf8(xml);
}
