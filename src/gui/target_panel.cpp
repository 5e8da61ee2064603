#include "target_panel.h"

#include "dump.h"
#include "settings.h"
#include "svd.h"
#include "target_rules.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString address_key = QStringLiteral("target/address");

QString hex(quint64 value, int bits)
{
    return QStringLiteral("0x%1").arg(value, (bits + 3) / 4, 16, QLatin1Char('0'));
}

// A register is one access of 1, 2, 4 or 8 bytes or none at all.
bool one_access(const svd::Register &reg)
{
    return reg.size == 8 || reg.size == 16 || reg.size == 32 || reg.size == 64;
}

QString peripheral_of(const QString &name) { return name.section(QLatin1Char('.'), 0, 0); }

} // namespace

TargetPanel::TargetPanel(QWidget *parent)
    : QWidget(parent), connect_button(new QPushButton(tr("Connect to target…"), this)),
      address(new QLineEdit(this)), read_button(new QPushButton(tr("Read"), this)),
      write_button(new QPushButton(tr("Write"), this)),
      peripheral_button(new QPushButton(tr("Read peripheral"), this)),
      watch(new QCheckBox(tr("Watch"), this)), status(new QLabel(this)),
      watch_timer(new QTimer(this))
{
    connect_button->setObjectName(QStringLiteral("connectTarget"));
    address->setObjectName(QStringLiteral("targetAddress"));
    address->setPlaceholderText(QStringLiteral("HOST:PORT"));
    address->setAccessibleName(tr("GDB server"));
    address->hide();
    read_button->setObjectName(QStringLiteral("targetRead"));
    write_button->setObjectName(QStringLiteral("targetWrite"));
    peripheral_button->setObjectName(QStringLiteral("readPeripheral"));
    watch->setObjectName(QStringLiteral("targetWatch"));
    status->setObjectName(QStringLiteral("targetStatus"));
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget :
         {static_cast<QWidget *>(connect_button), static_cast<QWidget *>(address),
          static_cast<QWidget *>(read_button), static_cast<QWidget *>(write_button),
          static_cast<QWidget *>(watch), static_cast<QWidget *>(peripheral_button)})
        buttons->addWidget(widget);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(status);

    // In a dialog, Enter in the address would also press the first button,
    // which disconnects again.
    for (QPushButton *button : {connect_button, read_button, write_button, peripheral_button})
        button->setAutoDefault(false);
    watch_timer->setInterval(250);
    connect(connect_button, &QPushButton::clicked, this, [this] {
        if (client.state() == target::Client::State::Disconnected)
            ask_address();
        else
            disconnect_target();
    });
    connect(address, &QLineEdit::returnPressed, this, [this] { connect_to(address->text()); });
    connect(read_button, &QPushButton::clicked, this, [this] { read_picked(Purpose::Read); });
    connect(write_button, &QPushButton::clicked, this, &TargetPanel::write_picked);
    connect(peripheral_button, &QPushButton::clicked, this, &TargetPanel::read_peripheral);
    connect(watch, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            watch_timer->start();
        else
            watch_timer->stop();
    });
    connect(watch_timer, &QTimer::timeout, this, &TargetPanel::watch_tick);
    connect(&client, &target::Client::done, this, &TargetPanel::on_done);
    connect(&client, &target::Client::failed, this, &TargetPanel::on_failed);
    connect(&client, &target::Client::state_changed, this, [this] {
        update_controls();
        show_status();
    });
    connect(&client, &target::Client::ready, this, [this] {
        tarnwick_settings().setValue(address_key, server);
        if (read_on_connect && current >= 0) {
            read_on_connect = false;
            read_picked(Purpose::Read);
        }
    });
    connect(&client, &target::Client::closed, this, [this](const QString &why) {
        closing = false;
        if (!why.isEmpty())
            note = why;
        watch->setChecked(false);
        pending.clear();
        delete std::exchange(collecting, nullptr);
        update_controls();
        show_status();
    });
    update_controls();
    show_status();
}

TargetPanel::~TargetPanel()
{
    delete collecting;
    // The program ending while connected: a target the server halted for
    // us runs again only once it has had the detach, so that one exchange
    // is waited for here, as long as any other.
    if (client.state() == target::Client::State::Disconnected)
        return;
    QEventLoop loop;
    connect(&client, &target::Client::closed, &loop, &QEventLoop::quit);
    QTimer::singleShot(client.timeout(), &loop, &QEventLoop::quit);
    if (!closing)
        client.close();
    if (client.state() != target::Client::State::Disconnected)
        loop.exec();
}

bool TargetPanel::connected() const { return client.state() == target::Client::State::Ready; }

void TargetPanel::set_device(const svd::Device *shown)
{
    device = shown;
    current = -1;
    read_values.clear();
    read_times.clear();
    pending.clear();
    delete std::exchange(collecting, nullptr);
    watch->setChecked(false);
    update_controls();
    show_status();
}

void TargetPanel::set_register(int index)
{
    if (index == current)
        return;
    current = index;
    from_dump = false;
    watch->setChecked(false);
    update_controls();
    show_status();
    if (read_on_connect && connected() && current >= 0) {
        read_on_connect = false;
        read_picked(Purpose::Read);
    }
}

void TargetPanel::set_value(quint32 shown)
{
    if (shown == value)
        return;
    value = shown;
    show_status();
}

void TargetPanel::note_dump_value()
{
    from_dump = true;
    read_values.remove(current);
    show_status();
}

void TargetPanel::ask_address()
{
    address->setText(tarnwick_settings().value(address_key).toString());
    address->show();
    address->setFocus();
    address->selectAll();
}

void TargetPanel::connect_to(const QString &text)
{
    QString host;
    quint16 port = 0;
    if (!target::split_address(text.trimmed(), host, port)) {
        note = tr("%1 is no HOST:PORT").arg(text.trimmed());
        show_status();
        return;
    }
    if (client.state() != target::Client::State::Disconnected && !closing)
        client.close();
    closing = false;
    server = text.trimmed();
    address->setText(server);
    address->hide();
    note.clear();
    read_on_connect = true;
    client.connect_to(host, port);
}

void TargetPanel::disconnect_target()
{
    watch->setChecked(false);
    read_on_connect = false;
    if (client.state() != target::Client::State::Disconnected && !closing) {
        closing = true;
        client.close();
    }
}

void TargetPanel::read_picked(Purpose purpose)
{
    if (!device || current < 0 || !connected())
        return;
    const svd::Register &reg = device->registers[current];
    const target_rules::ReadVerdict verdict = target_rules::may_read(reg);
    if (verdict.rule == target_rules::Read::Never || !one_access(reg))
        return;
    if (verdict.rule == target_rules::Read::OnRequest) {
        if (purpose != Purpose::Read)
            return;
        const auto answer = QMessageBox::question(
            this, tr("Read %1").arg(reg.name),
            tr("Reading %1 changes the chip: %2.\n\nRead it anyway?").arg(reg.name, verdict.reason),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes || !connected())
            return;
    }
    const int id = client.read(reg.address, reg.size / 8);
    pending.insert(id, {purpose, current, 0});
}

void TargetPanel::watch_tick()
{
    // A slow server gets no second request while the first is unanswered.
    if (pending.isEmpty())
        read_picked(Purpose::Watch);
}

void TargetPanel::write_picked()
{
    if (!device || current < 0 || !connected())
        return;
    const svd::Register &reg = device->registers[current];
    if (!target_rules::may_write(reg).allowed || !one_access(reg))
        return;
    const auto known = read_values.constFind(current);
    const quint64 present = known != read_values.cend() ? *known : reg.reset_value;
    const quint64 wanted = quint64(value) & target_rules::size_mask(reg);
    // Never read: every bit counts as the user's, as nothing says otherwise.
    const quint64 changed =
        known != read_values.cend() ? (wanted ^ present) : target_rules::size_mask(reg);
    const quint64 word = target_rules::word_to_write(reg, wanted, present, changed);
    const target_rules::NoEffect effects = target_rules::no_effect(reg);
    QStringList fields;
    for (const svd::Field &field : reg.fields) {
        const int width = field.msb - field.lsb + 1;
        const quint64 mask = width >= 64 ? ~quint64(0) : (quint64(1) << width) - 1;
        const quint64 before = present >> field.lsb & mask, after = word >> field.lsb & mask;
        // A flag given its no-effect value stays as it is, whatever it reads.
        const quint64 bits = mask << field.lsb;
        const bool no_effect =
            (effects.mask & bits) == bits && ((word ^ effects.value) & bits) == 0;
        if (before != after && !no_effect)
            fields << tr("%1: %2 → %3").arg(field.name).arg(before).arg(after);
    }
    const QString text =
        tr("Write %1 to %2 at %3 on %4?")
            .arg(hex(word, reg.size), reg.name, hex(reg.address, 32), server) +
        (fields.isEmpty() ? QString() : QStringLiteral("\n\n") + fields.join(QLatin1Char('\n')));
    const auto answer = QMessageBox::question(this, tr("Write %1").arg(reg.name), text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes || !connected())
        return;
    const int id =
        client.write(reg.address, target_rules::bytes_of(word, reg.size / 8, device->big_endian));
    pending.insert(id, {Purpose::Write, current, word});
}

void TargetPanel::read_peripheral()
{
    if (!device || current < 0 || !connected() || collecting)
        return;
    const QString peripheral = peripheral_of(device->registers[current].name);
    collecting = new dump::Dump;
    left_out.clear();
    outstanding = 0;
    for (int index = 0; index < device->registers.size(); ++index) {
        const svd::Register &reg = device->registers[index];
        if (peripheral_of(reg.name) != peripheral)
            continue;
        const target_rules::ReadVerdict verdict = target_rules::may_read(reg);
        if (verdict.rule != target_rules::Read::Automatic || !one_access(reg)) {
            left_out << tr("%1 (%2)").arg(reg.name, verdict.rule == target_rules::Read::Automatic
                                                        ? tr("no single access")
                                                        : verdict.reason);
            continue;
        }
        pending.insert(client.read(reg.address, reg.size / 8), {Purpose::Peripheral, index, 0});
        ++outstanding;
    }
    note = tr("reading %1…").arg(peripheral);
    show_status();
    if (outstanding == 0)
        finish_peripheral();
}

void TargetPanel::finish_peripheral()
{
    if (!collecting)
        return;
    const std::unique_ptr<dump::Dump> taken(std::exchange(collecting, nullptr));
    note = left_out.isEmpty() ? QString()
                              : tr("not read: %1").arg(left_out.join(QStringLiteral(", ")));
    if (!taken->named.isEmpty())
        emit values_read(*taken, server);
    show_status();
}

void TargetPanel::on_done(int id, const QByteArray &bytes)
{
    const auto found = pending.find(id);
    if (found == pending.end() || !device)
        return;
    const Pending request = *found;
    pending.erase(found);
    const svd::Register &reg = device->registers[request.reg];
    if (request.purpose == Purpose::Write) {
        note = tr("wrote %1 to %2").arg(hex(request.written, reg.size), reg.name);
        read_values.insert(request.reg, request.written);
        read_times.insert(request.reg, QDateTime::currentDateTime());
        if (target_rules::may_read(reg).rule == target_rules::Read::Automatic)
            pending.insert(client.read(reg.address, reg.size / 8),
                           {Purpose::ReadBack, request.reg, request.written});
        show_status();
        return;
    }
    const quint64 read = target_rules::value_of(bytes, device->big_endian);
    read_values.insert(request.reg, read);
    read_times.insert(request.reg, QDateTime::currentDateTime());
    if (request.purpose == Purpose::Peripheral) {
        collecting->named.append({reg.name, read, 0});
        if (--outstanding == 0)
            finish_peripheral();
        return;
    }
    if (request.purpose == Purpose::ReadBack) {
        // Flags that clear on writing and bits the hardware drives read back
        // otherwise as a matter of course; said, not taken as a failure.
        note = read == request.written
                   ? tr("wrote %1 to %2, read back the same").arg(hex(read, reg.size), reg.name)
                   : tr("wrote %1 to %2, read back %3 (normal for bits the hardware "
                        "drives or that clear on writing)")
                         .arg(hex(request.written, reg.size), reg.name, hex(read, reg.size));
    } else if (request.purpose == Purpose::Read) {
        note.clear();
    }
    from_dump = false;
    if (request.reg == current) {
        value = quint32(read);
        emit entered(quint32(read));
    }
    show_status();
}

void TargetPanel::on_failed(int id, const QString &message)
{
    const auto found = pending.find(id);
    if (found == pending.end())
        return;
    const Purpose purpose = found->purpose;
    pending.erase(found);
    note = message;
    if (purpose == Purpose::Watch)
        watch->setChecked(false);
    if (purpose == Purpose::Peripheral && --outstanding == 0) {
        const QString failure = note;
        finish_peripheral();
        note = failure;
    }
    show_status();
}

void TargetPanel::update_controls()
{
    const bool link = connected();
    connect_button->setText(client.state() == target::Client::State::Disconnected
                                ? tr("Connect to target…")
                                : tr("Disconnect"));
    const svd::Register *reg = device && current >= 0 ? &device->registers[current] : nullptr;
    QString read_why, write_why, watch_why;
    if (!link)
        read_why = write_why = watch_why = tr("not connected to a target");
    else if (!reg)
        read_why = write_why = watch_why = tr("no register picked");
    else if (!one_access(*reg))
        read_why = write_why = watch_why =
            tr("a %1-bit register is no single access").arg(reg->size);
    else {
        const target_rules::ReadVerdict verdict = target_rules::may_read(*reg);
        if (verdict.rule == target_rules::Read::Never)
            read_why = verdict.reason;
        if (verdict.rule != target_rules::Read::Automatic)
            watch_why = verdict.reason;
        const target_rules::WriteVerdict writable = target_rules::may_write(*reg);
        if (!writable.allowed)
            write_why = writable.reason;
    }
    read_button->setEnabled(read_why.isEmpty());
    read_button->setToolTip(read_why.isEmpty() ? tr("Reads the register from the chip") : read_why);
    write_button->setEnabled(write_why.isEmpty());
    write_button->setToolTip(write_why.isEmpty() ? tr("Writes the main window's value to the chip")
                                                 : write_why);
    watch->setEnabled(watch_why.isEmpty());
    watch->setToolTip(watch_why.isEmpty() ? tr("Reads the register every 250 ms") : watch_why);
    if (!watch_why.isEmpty())
        watch->setChecked(false);
    peripheral_button->setEnabled(link && reg);
}

void TargetPanel::show_status()
{
    QString state;
    switch (client.state()) {
    case target::Client::State::Disconnected:
        state = tr("not connected");
        break;
    case target::Client::State::Connecting:
        state = tr("connecting to %1").arg(server);
        break;
    case target::Client::State::Ready:
        state = client.halted_on_connect() ? tr("%1: target halted for this connection").arg(server)
                                           : tr("%1: target halted").arg(server);
        break;
    case target::Client::State::Running:
        state = tr("%1: target running").arg(server);
        break;
    case target::Client::State::Closing:
        state = tr("%1: disconnecting").arg(server);
        break;
    }
    QStringList parts{state};
    if (device && current >= 0) {
        const auto known = read_values.constFind(current);
        const quint64 mask = target_rules::size_mask(device->registers[current]);
        if (known != read_values.cend() && (*known & mask) == (quint64(value) & mask & 0xffffffffu))
            parts << tr("value read at %1")
                         .arg(read_times.value(current).toString(QStringLiteral("HH:mm:ss")));
        else if (from_dump)
            parts << tr("value from a dump");
        else
            parts << tr("value typed, not yet written");
    }
    if (!note.isEmpty())
        parts << note;
    status->setText(parts.join(QStringLiteral("; ")));
}
