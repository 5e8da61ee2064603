#include "dialog.h"
#include "ui_dialog.h"

#include "accessibility.h"
#include "connect_developer.h"
#include "copy_menu.h"
#include "literals.h"
#include "map_menu.h"
#include "platform.h"
#include "register_map.h"
#include "regmath.h"

#include <QButtonGroup>
#include <QDebug>
#include <QHelpEvent>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QRegExp>
#include <QRegExpValidator>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <functional>
#include <utility>

namespace {

// The look of a bit button. "Default" is not a valid style sheet; applying it
// drops the grey background and leaves the button's standard look.
const QString set_bit_style = QStringLiteral("background: rgb(118,118,118)");
const QString clear_bit_style = QStringLiteral("Default");
// What a screen reader says about a bit button's state.
const QString set_bit_description = QStringLiteral("set");
const QString clear_bit_description = QStringLiteral("clear");

// Minimise and close only: the window has a fixed size, so no maximise button.
const Qt::WindowFlags window_hints = Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

QString range_error_text() { return QString::fromUtf8("Error：输入超出范围!"); }

// Red text and nothing else: every other role stays the default.
QPalette error_palette()
{
    QPalette red;
    red.setColor(QPalette::All, QPalette::WindowText, Qt::red);
    return red;
}

QRegExpValidator *make_validator(const QString &pattern, QObject *parent)
{
    return new QRegExpValidator(QRegExp(pattern, Qt::CaseSensitive, QRegExp::RegExp), parent);
}

// A tooltip made only when it is shown, so no refresh pays for it.
class LazyTooltip : public QObject
{
public:
    LazyTooltip(QWidget *widget, std::function<QString()> text)
        : QObject(widget), text(std::move(text))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(),
                           static_cast<QWidget *>(watched));
        return true;
    }

private:
    std::function<QString()> text;
};

// A widget's style sheet reaches its tooltip: a set bit's grey background
// would be the tooltip's too, under black text. Shown for the window, whose
// style sheet names only the window itself, it looks like every other one.
class WindowTooltip : public QObject
{
public:
    explicit WindowTooltip(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        QWidget *window = widget->window();
        // The rectangle keeps the tooltip to the widget: it goes when the
        // pointer leaves it, as the widget's own would.
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), widget->toolTip(), window,
                           QRect(widget->mapTo(window, QPoint()), widget->size()));
        return true;
    }
};

} // namespace

Dialog::Dialog(QWidget *parent)
    : QDialog(parent), reg_value(0), base_group(new QButtonGroup(this)),
      op_group(new QButtonGroup(this)), ui(new Ui::Dialog), num_value(0), oct_saved(0),
      dec_saved(0), hex_saved(0)
{
    ui->setupUi(this);

    setWindowIcon(QIcon(QStringLiteral("://image/favicon.ico")));
    setWindowFlags(window_hints);

    // A press in a value field means the user is about to type a value, so
    // Enter must no longer calculate.
    const auto calc_not_default = [this] { ui->pushButton_calculate->setDefault(false); };
    connect(ui->lineEdit_hex, &MyLineEdit::cliked, ui->lineEdit_hex, calc_not_default,
            Qt::DirectConnection);
    connect(ui->lineEdit_dec, &MyLineEdit::cliked, ui->lineEdit_dec, calc_not_default,
            Qt::DirectConnection);
    connect(ui->lineEdit_oct, &MyLineEdit::cliked, ui->lineEdit_oct, calc_not_default,
            Qt::DirectConnection);

    for (unsigned char &flag : reg_bits)
        flag = 0;

    ui->label_bin->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setWindowTitle(QStringLiteral("Tarnwick v1.04"));
    ui->groupBox->setStyleSheet(QStringLiteral("QGroupBox{background-color:#E08566;}"));
    setStyleSheet(QStringLiteral("Dialog{background-color:#8FDBE0;}"));

    for (int i = 0; i < 32; ++i) {
        bit_buttons[i] = findChild<QPushButton *>(QStringLiteral("register_%1").arg(i));
        // A caption of "0" or "1" alone does not say which bit it is.
        bit_buttons[i]->setToolTip(literals::bit_tooltip(i));
        bit_buttons[i]->setAccessibleName(QStringLiteral("bit %1").arg(i));
        bit_buttons[i]->setAccessibleDescription(clear_bit_description);
        new WindowTooltip(bit_buttons[i]);
    }

    // At most 32 digits of the field's base; the entry handlers check the
    // 32-bit range themselves.
    ui->lineEdit_dec->setValidator(make_validator(QStringLiteral("[0-9]{32}"), this));
    ui->lineEdit_oct->setValidator(make_validator(QStringLiteral("[0-7]{32}"), this));
    ui->lineEdit_hex->setValidator(make_validator(QStringLiteral("[a-fA-F0-9]{32}"), this));
    ui->lineEdit_num->setValidator(make_validator(QStringLiteral("[0-9]{32}"), this));

    ui->lineEdit_oct->setText(QString());
    ui->lineEdit_dec->setText(QString());
    ui->lineEdit_hex->setText(QString());

    const QString yahei = QString::fromUtf8("Microsoft YaHei");
    const QString song = QString::fromUtf8("宋体");
    ui->label_title->setFont(QFont(yahei, 12, 60, false));
    ui->label_bin->setFont(QFont(yahei, 9, 50, false));
    const QFont bit_font(song, 12, 60, false);
    for (QPushButton *button : bit_buttons)
        button->setFont(bit_font);
    ui->checkBox->setFont(QFont(song, 8, 50, false));

    ui->label_err->setPalette(error_palette());

    update_bin_label(0);

    ui->label_baidu->setText(
        QString::fromUtf8("<h1><a href=\"https://www.baidu.com/\">百度</a></h1>"));
    ui->label_youdao->setText(
        QString::fromUtf8("<h1><a href=\"https://fanyi.youdao.com/\">翻译</a></h1>"));
    for (QLabel *link : {ui->label_baidu, ui->label_youdao}) {
        link->setOpenExternalLinks(true);
        link->setScaledContents(true);
        accessibility::make_link_reachable(link);
    }

    // For a screen reader: each field is labelled by its caption, and every
    // field and shift button has a name, in English like the bit buttons;
    // the fields would be just "text" and the shifts "<", ">", "《", "》".
    ui->label->setBuddy(ui->lineEdit_dec);
    ui->label_2->setBuddy(ui->lineEdit_hex);
    ui->label_3->setBuddy(ui->lineEdit_oct);
    ui->label_4->setBuddy(ui->label_bin);
    const std::pair<QWidget *, const char *> accessible_names[] = {
        {ui->lineEdit_dec, "decimal value"},
        {ui->lineEdit_hex, "hexadecimal value"},
        {ui->lineEdit_oct, "octal value"},
        {ui->label_bin, "binary value"},
        {ui->lineEdit_num, "operand"},
        {ui->lineEdit_bit_move, "shift count"},
        {ui->pushButton_bit_ml, "shift left by one bit"},
        {ui->pushButton_bit_mr, "shift right by one bit"},
        {ui->pushButton_bit_mL, "shift left by the typed count"},
        {ui->pushButton_bit_mR, "shift right by the typed count"}};
    for (const auto &[widget, name] : accessible_names)
        widget->setAccessibleName(QString::fromLatin1(name));

    base_group->addButton(ui->radioButton_bin, 0);
    base_group->addButton(ui->radioButton_oct, 1);
    base_group->addButton(ui->radioButton_dec, 2);
    base_group->addButton(ui->radioButton_hex, 3);
    op_group->addButton(ui->radioButton_add, 0);
    op_group->addButton(ui->radioButton_sub, 1);
    op_group->addButton(ui->radioButton_and, 2);
    op_group->addButton(ui->radioButton_or, 3);
    ui->radioButton_dec->setChecked(true);
    ui->radioButton_add->setChecked(true);

    // A screen reader's Toggle action changes a button's state without a
    // click, so without clicked(): the handlers follow toggled() as well.
    // Connected only now, as the checks above are not the user's.
    follow_toggled(ui->checkBox, [this](bool on) { on_checkBox_clicked(on); });
    follow_toggled(ui->radioButton_bin, [this](bool on) { on_radioButton_bin_clicked(on); });
    follow_toggled(ui->radioButton_oct, [this](bool on) { on_radioButton_oct_clicked(on); });
    follow_toggled(ui->radioButton_dec, [this](bool on) { on_radioButton_dec_clicked(on); });
    follow_toggled(ui->radioButton_hex, [this](bool on) { on_radioButton_hex_clicked(on); });
    follow_toggled(ui->radioButton_add, [this](bool) { on_radioButton_add_clicked(); });
    follow_toggled(ui->radioButton_sub, [this](bool) { on_radioButton_sub_clicked(); });
    follow_toggled(ui->radioButton_and, [this](bool) { on_radioButton_and_clicked(); });
    follow_toggled(ui->radioButton_or, [this](bool) { on_radioButton_or_clicked(); });

    const QString no_stay_on_top = platform::why_no_stay_on_top();
    if (!no_stay_on_top.isEmpty()) {
        ui->checkBox->setEnabled(false);
        ui->checkBox->setToolTip(no_stay_on_top);
    }

    ui->pushButton_clear->setFocusProxy(this);
    ui->pushButton_calculate->setDefault(true);

    // Right-clicking a view of the value also offers it as a literal to paste
    // into source code.
    for (QWidget *view :
         {static_cast<QWidget *>(ui->label_bin), static_cast<QWidget *>(ui->lineEdit_dec),
          static_cast<QWidget *>(ui->lineEdit_hex), static_cast<QWidget *>(ui->lineEdit_oct)}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &pos) {
            QMenu *menu = create_context_menu(view);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(view->mapToGlobal(pos));
        });
    }
    for (QWidget *view :
         {static_cast<QWidget *>(ui->label_bin), static_cast<QWidget *>(ui->lineEdit_dec)})
        new LazyTooltip(view, [this] { return literals::facts(reg_value); });
    // A map file dropped on the window opens it; any other is a dump for
    // the map window.
    map_menu::accept_drops(this, [this](const QString &path) {
        if (map_menu::is_map_file(path))
            open_register_map(path);
        else
            made_register_map()->open_dump(path);
    });
    for (QLineEdit *field : {ui->lineEdit_dec, ui->lineEdit_hex, ui->lineEdit_oct}) {
        auto *paste =
            new QShortcut(copy_menu::paste_key(), field, nullptr, nullptr, Qt::WidgetShortcut);
        connect(paste, &QShortcut::activated, this, [this, base = paste_base(field)] {
            if (const std::optional<quint32> value = copy_menu::clipboard_value(base))
                enter_value(*value);
        });
    }
}

Dialog::~Dialog()
{
    if (register_map) {
        register_map->disconnect(this);
        delete register_map;
    }
    delete ui;
}

RegisterMap *Dialog::made_register_map()
{
    if (!register_map) {
        register_map = new RegisterMap(this);
        connect(register_map, &RegisterMap::entered, this,
                [this](quint32 value) { enter_value(value); });
        connect(register_map, &RegisterMap::bit_places_changed, this,
                [this](const QStringList &places) { show_bit_places(places); });
        register_map->follow(reg_value);
    }
    return register_map;
}

void Dialog::open_register_map(const QString &path, const QString &register_name, bool at_start)
{
    made_register_map()->open_file(path, register_name, at_start);
}

void Dialog::connect_target(const QString &address)
{
    made_register_map()->connect_target(address);
}

void Dialog::update_bin_label(quint32 value)
{
    bin_text = regmath::grouped_binary(value);
    ui->label_bin->setText(bin_text);
    // Its accessible name says what it is; the digits are read from here.
    ui->label_bin->setAccessibleDescription(bin_text);
    // A selectable label fills its text document lazily in its paint event,
    // and filling it asks for another paint: the label would be drawn twice
    // per change. Querying the size hint fills it now, while the repaint of
    // the new text is still pending, so both requests become one paint.
    ui->label_bin->sizeHint();
    // Every change of the value passes here, so the map follows them all.
    if (register_map)
        register_map->follow(value);
}

void Dialog::linEdit_data_update()
{
    hex_text = regmath::to_base(reg_value, 16);
    dec_text = regmath::to_base(reg_value, 10);
    oct_text = regmath::to_base(reg_value, 8);
    // Always set, even when unchanged: moving the hex cursor to the end is
    // what takes the Enter key away from the calculate button.
    ui->lineEdit_oct->setText(oct_text);
    ui->lineEdit_dec->setText(dec_text);
    ui->lineEdit_hex->setText(hex_text);
    update_bin_label(reg_value);
}

void Dialog::data_update()
{
    linEdit_data_update();
    update_bit_buttons();
}

// The flags and the 32 buttons follow reg_value.
void Dialog::update_bit_buttons()
{
    for (int i = 0; i < 32; ++i) {
        const bool set = (reg_value >> i) & 1u;
        reg_bits[i] = set ? 1 : 0;
        show_bit(i, set);
    }
}

// Restyling a button is by far the most expensive part of a redraw, so a
// caption or style sheet that is already right is left alone.
void Dialog::show_bit(int bit, bool set)
{
    QPushButton *button = bit_buttons[bit];
    const QString caption = set ? QStringLiteral("1") : QStringLiteral("0");
    if (button->text() != caption)
        button->setText(caption);
    const QString &style = set ? set_bit_style : clear_bit_style;
    if (button->styleSheet() != style)
        button->setStyleSheet(style);
    const QString &state = set ? set_bit_description : clear_bit_description;
    const QString description =
        bit_places.isEmpty() ? state : state + QStringLiteral(" \u00b7 ") + bit_places[bit];
    if (button->accessibleDescription() != description)
        button->setAccessibleDescription(description);
}

// The bit buttons name the field of each bit while the map shows a register,
// and say exactly what they said before once it closes.
void Dialog::show_bit_places(const QStringList &places)
{
    bit_places = places.size() == 32 ? places : QStringList();
    for (int i = 0; i < 32; ++i) {
        const QString tooltip = literals::bit_tooltip(i);
        bit_buttons[i]->setToolTip(
            bit_places.isEmpty() ? tooltip : tooltip + QStringLiteral(" \u00b7 ") + bit_places[i]);
        show_bit(i, reg_bits[i] != 0);
    }
}

QMenu *Dialog::create_context_menu(QWidget *source)
{
    QMenu *menu = nullptr;
    if (source == ui->label_bin) {
        menu = copy_menu::selectable_label_menu(ui->label_bin, ui->label_bin);
    } else if (source == ui->lineEdit_dec || source == ui->lineEdit_hex ||
               source == ui->lineEdit_oct) {
        menu = static_cast<QLineEdit *>(source)->createStandardContextMenu();
    } else {
        return nullptr;
    }
    menu->addSeparator();
    map_menu::append_open(menu, this, [this](const QString &path, const QString &register_name) {
        open_register_map(path, register_name);
    });
    // The register, not the field: a field may hold leading zeros, upper-case
    // digits or nothing at all.
    menu->addSeparator();
    copy_menu::append_copy_as(menu, reg_value);
    // The key is bound in the fields only.
    copy_menu::append_paste(menu, paste_base(source), source != ui->label_bin,
                            [this](quint32 value) { enter_value(value); });
    return menu;
}

// A click emits toggled() and then, before the event loop runs again,
// clicked(); a state change without a click emits only toggled(). The handler
// runs on toggled(), and the clicked() of the same click finds it done.
void Dialog::follow_toggled(QAbstractButton *button, const std::function<void(bool)> &handler)
{
    connect(button, &QAbstractButton::toggled, this, [this, button, handler](bool checked) {
        // A click only ever checks a grouped radio button; the one that it
        // unchecks is not clicked and has nothing to do.
        if (!checked && button->group())
            return;
        toggled_button = nullptr;
        handler(checked);
        toggled_button = button;
        QTimer::singleShot(0, this, [this] { toggled_button = nullptr; });
    });
}

bool Dialog::acted_on_toggle(QAbstractButton *button)
{
    if (toggled_button != button)
        return false;
    toggled_button = nullptr;
    return true;
}

// Plain digits pasted into a value view are read in that view's base; the
// binary label's is 2.
int Dialog::paste_base(const QWidget *view) const
{
    if (view == ui->lineEdit_dec)
        return 10;
    if (view == ui->lineEdit_hex)
        return 16;
    if (view == ui->lineEdit_oct)
        return 8;
    return 2;
}

void Dialog::show_range_error()
{
    ui->label_err->setPalette(error_palette());
    ui->label_err->setText(range_error_text());
}

// The flags, not the previous value, are the source of a toggle.
void Dialog::toggle_bit(int bit)
{
    reg_value = 0;
    ui->label_err->setText(QString());
    for (int j = 0; j < 32; ++j) {
        if (j != bit && reg_bits[j] != 0)
            reg_value |= 1u << j;
    }
    reg_bits[bit] ^= 1;
    show_bit(bit, reg_bits[bit] != 0);
    if (reg_bits[bit] != 0)
        reg_value |= 1u << bit;
    linEdit_data_update();
}

void Dialog::on_register_0_clicked() { toggle_bit(0); }
void Dialog::on_register_1_clicked() { toggle_bit(1); }
void Dialog::on_register_2_clicked() { toggle_bit(2); }
void Dialog::on_register_3_clicked() { toggle_bit(3); }
void Dialog::on_register_4_clicked() { toggle_bit(4); }
void Dialog::on_register_5_clicked() { toggle_bit(5); }
void Dialog::on_register_6_clicked() { toggle_bit(6); }
void Dialog::on_register_7_clicked() { toggle_bit(7); }
void Dialog::on_register_8_clicked() { toggle_bit(8); }
void Dialog::on_register_9_clicked() { toggle_bit(9); }
void Dialog::on_register_10_clicked() { toggle_bit(10); }
void Dialog::on_register_11_clicked() { toggle_bit(11); }
void Dialog::on_register_12_clicked() { toggle_bit(12); }
void Dialog::on_register_13_clicked() { toggle_bit(13); }
void Dialog::on_register_14_clicked() { toggle_bit(14); }
void Dialog::on_register_15_clicked() { toggle_bit(15); }
void Dialog::on_register_16_clicked() { toggle_bit(16); }
void Dialog::on_register_17_clicked() { toggle_bit(17); }
void Dialog::on_register_18_clicked() { toggle_bit(18); }
void Dialog::on_register_19_clicked() { toggle_bit(19); }
void Dialog::on_register_20_clicked() { toggle_bit(20); }
void Dialog::on_register_21_clicked() { toggle_bit(21); }
void Dialog::on_register_22_clicked() { toggle_bit(22); }
void Dialog::on_register_23_clicked() { toggle_bit(23); }
void Dialog::on_register_24_clicked() { toggle_bit(24); }
void Dialog::on_register_25_clicked() { toggle_bit(25); }
void Dialog::on_register_26_clicked() { toggle_bit(26); }
void Dialog::on_register_27_clicked() { toggle_bit(27); }
void Dialog::on_register_28_clicked() { toggle_bit(28); }
void Dialog::on_register_29_clicked() { toggle_bit(29); }
void Dialog::on_register_30_clicked() { toggle_bit(30); }
void Dialog::on_register_31_clicked() { toggle_bit(31); }

// Nothing listens to these text changes; the slots stay because they are
// connected by name.
void Dialog::on_lineEdit_dec_textChanged(const QString &) {}
void Dialog::on_lineEdit_hex_textChanged(const QString &) {}
void Dialog::on_pushButton_clicked() {}

void Dialog::on_lineEdit_dec_textEdited(const QString &)
{
    direct_entry({ui->lineEdit_dec, &dec_text, 10}, {ui->lineEdit_hex, &hex_text, 16},
                 {ui->lineEdit_oct, &oct_text, 8});
}

void Dialog::on_lineEdit_hex_textEdited(const QString &)
{
    direct_entry({ui->lineEdit_hex, &hex_text, 16}, {ui->lineEdit_dec, &dec_text, 10},
                 {ui->lineEdit_oct, &oct_text, 8});
}

void Dialog::on_lineEdit_oct_textEdited(const QString &)
{
    direct_entry({ui->lineEdit_oct, &oct_text, 8}, {ui->lineEdit_dec, &dec_text, 10},
                 {ui->lineEdit_hex, &hex_text, 16});
}

// An accepted entry keeps the field exactly as typed (leading zeros, upper
// case). A number that does not fit leaves the register as it was just before
// this edit, so nothing done since the last direct entry is lost.
void Dialog::direct_entry(const ValueView &own, const ValueView &first, const ValueView &second)
{
    ui->pushButton_calculate->setDefault(false);

    const QString typed = own.field->text();
    const regmath::ParseResult parsed = regmath::parse_register(typed, own.base);
    if (parsed.status == regmath::Parse::OutOfRange) {
        *own.text = regmath::to_base(reg_value, own.base);
        own.field->setText(*own.text);
        show_range_error();
    } else {
        accept_entry(parsed.value); // a text that is not a number counts as 0
    }

    // An emptied field empties the others too, while the value becomes 0.
    if (typed.isEmpty()) {
        first.text->clear();
        second.text->clear();
    } else {
        *first.text = regmath::to_base(reg_value, first.base);
        *second.text = regmath::to_base(reg_value, second.base);
    }
    first.field->setText(*first.text);
    second.field->setText(*second.text);

    update_bin_label(reg_value);
    update_bit_buttons();
}

void Dialog::accept_entry(quint32 value)
{
    reg_value = value;
    oct_saved = value;
    dec_saved = value;
    hex_saved = value;
    ui->label_err->setText(QString());
}

// A pasted value is an accepted direct entry whose every field shows its
// rendering.
void Dialog::enter_value(quint32 value)
{
    ui->pushButton_calculate->setDefault(false);
    accept_entry(value);
    data_update();
}

// Each base admits its digits and the space, which groups digits.
void Dialog::install_operand_validator(const QString &pattern, bool checked)
{
    ui->lineEdit_num->setText(QString());
    if (checked) {
        // The replaced validator is ours and nothing else uses it; kept, every
        // base click would add one more child to the dialog for its lifetime.
        const QValidator *replaced = ui->lineEdit_num->validator();
        ui->lineEdit_num->setValidator(make_validator(pattern, this));
        if (replaced && replaced->parent() == this)
            delete replaced;
    }
}

void Dialog::on_radioButton_bin_clicked(bool checked)
{
    if (acted_on_toggle(ui->radioButton_bin))
        return;
    install_operand_validator(QStringLiteral("[0-1 ]{32}"), checked);
}

void Dialog::on_radioButton_oct_clicked(bool checked)
{
    if (acted_on_toggle(ui->radioButton_oct))
        return;
    install_operand_validator(QStringLiteral("[0-7 ]{32}"), checked);
}

void Dialog::on_radioButton_dec_clicked(bool checked)
{
    if (acted_on_toggle(ui->radioButton_dec))
        return;
    install_operand_validator(QStringLiteral("[0-9 ]{32}"), checked);
}

void Dialog::on_radioButton_hex_clicked(bool checked)
{
    if (acted_on_toggle(ui->radioButton_hex))
        return;
    install_operand_validator(QStringLiteral("[a-f A-F 0-9 ]{32}"), checked);
}

void Dialog::on_lineEdit_num_textEdited(const QString &)
{
    ui->pushButton_calculate->setDefault(true);

    const int base = regmath::base_for_id(base_group->checkedId());
    const regmath::ParseResult parsed = regmath::parse_operand(ui->lineEdit_num->text(), base);
    if (parsed.status == regmath::Parse::OutOfRange) {
        show_range_error();
        ui->lineEdit_num->setText(regmath::to_base(num_value, base));
    } else {
        num_value = parsed.value;
        ui->label_err->setText(QString());
    }
    qDebug() << parsed.value;
}

void Dialog::on_lineEdit_num_cursorPositionChanged(int, int) {}

void Dialog::on_pushButton_calculate_clicked() { calculate(); }

// Enter in the operand field always reaches the dialog after this signal,
// and the dialog presses calculate when it is the default button. Calculating
// here as well would apply the operation twice for one key press.
void Dialog::on_lineEdit_num_returnPressed() {}

void Dialog::calculate()
{
    const int base = regmath::base_for_id(base_group->checkedId());
    const regmath::ParseResult operand = regmath::parse_operand(ui->lineEdit_num->text(), base);
    if (operand.status == regmath::Parse::OutOfRange) {
        // The entry check never leaves such a text in the field; refuse it
        // rather than compute with a truncated operand.
        show_range_error();
        return;
    }
    const quint32 b = operand.value;
    const auto op = static_cast<regmath::Operation>(op_group->checkedId());
    const std::optional<quint32> result = regmath::apply(op, reg_value, b);
    if (!result) {
        QMessageBox::warning(this, QString::fromUtf8("警告"),
                             QString::fromUtf8("计算结果超出范围"));
        return;
    }
    reg_value = *result;
    data_update();
}

// Choosing an operation gives Enter back to calculate.
void Dialog::make_calculate_default(QAbstractButton *operation)
{
    if (!acted_on_toggle(operation))
        ui->pushButton_calculate->setDefault(true);
}

void Dialog::on_radioButton_sub_clicked() { make_calculate_default(ui->radioButton_sub); }

void Dialog::on_radioButton_add_clicked() { make_calculate_default(ui->radioButton_add); }

void Dialog::on_radioButton_and_clicked() { make_calculate_default(ui->radioButton_and); }

void Dialog::on_radioButton_or_clicked() { make_calculate_default(ui->radioButton_or); }

void Dialog::on_lineEdit_hex_cursorPositionChanged(int, int)
{
    ui->pushButton_calculate->setDefault(false);
}

void Dialog::on_lineEdit_hex_selectionChanged() { ui->pushButton_calculate->setDefault(false); }

void Dialog::on_lineEdit_hex_returnPressed() { ui->pushButton_calculate->setDefault(false); }

void Dialog::handleLineEdit() { ui->pushButton_calculate->setDefault(false); }

void Dialog::on_pushButton_bit_ml_clicked()
{
    reg_value = regmath::shift_left(reg_value, 1);
    data_update();
}

void Dialog::on_pushButton_bit_mr_clicked()
{
    reg_value = regmath::shift_right(reg_value, 1);
    data_update();
}

void Dialog::on_pushButton_bit_mL_clicked() { shift_by_count(true); }

void Dialog::on_pushButton_bit_mR_clicked() { shift_by_count(false); }

// A count that is not a number, or is negative, leaves the value alone; the
// views are redrawn all the same.
void Dialog::shift_by_count(bool left)
{
    const regmath::ShiftCount count = regmath::parse_shift_count(ui->lineEdit_bit_move->text());
    if (count.applies) {
        reg_value = left ? regmath::shift_left(reg_value, count.bits)
                         : regmath::shift_right(reg_value, count.bits);
    }
    data_update();
}

void Dialog::on_checkBox_clicked(bool checked)
{
    if (acted_on_toggle(ui->checkBox))
        return;
    if (!checked)
        activateWindow();
    // setWindowFlags() would recreate the native window, which the window
    // manager then places anew. The platform window takes the hint in place:
    // _NET_WM_STATE on X11, the topmost band on Windows.
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, checked);
    overrideWindowFlags(flags);
    if (QWindow *window = windowHandle())
        window->setFlags(flags);
    // A minimised window comes back, in its normal state.
    showNormal();
}

// Leaves the value fields empty rather than showing 0; base, operation,
// operand validator and the saved operand are kept.
void Dialog::on_pushButton_clear_clicked()
{
    reg_value = 0;
    ui->label_err->setText(QString());
    update_bit_buttons();
    update_bin_label(0);
    ui->lineEdit_oct->setText(QString());
    ui->lineEdit_dec->setText(QString());
    ui->lineEdit_hex->setText(QString());
    ui->lineEdit_num->setText(QString());
    ui->lineEdit_bit_move->setText(QString());
}

// Started detached, so the calculator outlives Tarnwick and no process
// object is left behind per click.
void Dialog::on_pushButton_open_calculator_clicked()
{
    if (!platform::start_calculator()) {
        QMessageBox::warning(this, QString::fromUtf8("警告"),
                             QString::fromUtf8("无法启动计算器程序"));
    }
}

// Parentless and modeless, so it can stay open after the main window closes;
// it frees itself when closed.
void Dialog::on_pushButton_connect_developer_clicked()
{
    auto *contact = new connect_developer(nullptr);
    contact->setAttribute(Qt::WA_DeleteOnClose);
    contact->show();
}
