#include "app/CAboutDlg.h"

#include "app/ProductInfo.h"
#include "ui/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kWidth = 235;
constexpr int kHeight = 55;
constexpr int kIconPixels = 32;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const DialogUnits units = DialogUnits::Dialog();
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowIcon(ProductInfo::ApplicationIcon());
    setFixedSize(units.Size(kWidth, kHeight));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProductInfo::ApplicationIcon().pixmap(kIconPixels, kIconPixels));
    icon->setGeometry(units.X(11), units.Y(17), kIconPixels, kIconPixels);

    auto* title = new QLabel(ProductInfo::Title() + QLatin1Char(' ') + ProductInfo::VersionText(), this);
    title->setGeometry(units.Rect(40, 10, 119, 8));
    auto* second = new QLabel(QStringLiteral("オフィスの掲示板とメッセンジャー"), this);
    second->setGeometry(units.Rect(40, 25, 135, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(units.Rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
