[mms-file]
version=1

[infomation]
title=X‚Ì‰Ì
auther=ìÒ
rythmNum=3
rythmBase=4

[part0]
name=ƒƒƒfƒB
instrument=3
ch0_mml=t120 o5 l8 cdefg4
ch1_mml=o4 l4 ceg
ch2_mml=

[part3]
instrument=9
ch0_mml="o3 c1"
ch1_mml=o3 e1
ch2_mml=o3 g1

[part9]
name=ignored
ch0_mml=cc
