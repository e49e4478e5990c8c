# The seven editions, in the order their words are tested in the bundle name.
# The one table both the program (EditionProfile.cpp, through the generated
# EditionTable.inc) and the install rules (launcher links, desktop entries)
# read. One record per edition, fields separated by "|":
#   word in the bundle name | command-line key | launcher name | product title |
#   signature file prefix | modes offered (photo video raw audio, 1 or 0) |
#   every local disk listed (1) or removable media only (0) |
#   support address | product page
set(OSTREL_EDITIONS
  "Drive|drive|Ostrel USB Drive Recovery|Ostrel USB Drive Data Recovery Software|FLK|1 0 1 0|0|usb-drive@ostrel-recovery.example|https://www.ostrel-recovery.example/usb-drive-recovery"
  "Removable|removable|Ostrel Removable Media Recovery|Ostrel USB Media Data Recovery Software|XTN|1 1 1 1|0|usb-media@ostrel-recovery.example|https://www.ostrel-recovery.example/usb-media-recovery"
  "Camera|camera|Ostrel Camera Recovery|Ostrel Digital Camera Data Recovery Software|SNP|1 1 1 0|0|camera@ostrel-recovery.example|https://www.ostrel-recovery.example/digital-camera-recovery"
  "Memory|memory|Ostrel Memory Card Recovery|Ostrel Memory Card Data Recovery Software|CRD|1 1 1 0|0|memory-card@ostrel-recovery.example|https://www.ostrel-recovery.example/memory-card-recovery"
  "Mobile|mobile|Ostrel Mobile Phone Recovery|Ostrel Mobile Phone Data Recovery Software|HND|1 1 1 0|0|mobile@ostrel-recovery.example|https://www.ostrel-recovery.example/mobile-phone-recovery"
  "Digital Picture|pictures|Ostrel Digital Picture Recovery|Ostrel Pictures Recovery Software|IMG|1 0 0 0|1|pictures@ostrel-recovery.example|https://www.ostrel-recovery.example/pictures-recovery"
  "Professional|professional|Ostrel Professional Recovery|Ostrel Data Recovery Software Professional Edition|EXP|1 1 1 0|1|professional@ostrel-recovery.example|https://www.ostrel-recovery.example/professional")
