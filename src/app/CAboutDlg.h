#pragma once

#include <QDialog>

// "ﾊﾞｰｼﾞｮﾝ情報": the application icon, the product title with its version,
// one more line and OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
