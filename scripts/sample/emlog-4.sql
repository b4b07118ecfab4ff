-- Turns emlog 5.3.1's tables (emlog-5.sql) into emlog 4.3's: what 5.x added goes (the review of
-- articles and writers, the thumbnails' rows and the pictures' sizes, the categories' tree and
-- descriptions, the menu's types and tree, 微语 images, templates per article and category), and the
-- trackbacks 5.1.3 dropped come back, with two on article 6. Applied after emlog-6.sql and emlog-5.sql.
ALTER TABLE {prefix}blog DROP COLUMN checked, DROP COLUMN sortop, DROP COLUMN template,
  ADD COLUMN tbcount int(10) unsigned NOT NULL default '0' AFTER comnum,
  ADD COLUMN allow_tb enum('n','y') NOT NULL default 'y' AFTER allow_remark;
ALTER TABLE {prefix}attachment DROP COLUMN width, DROP COLUMN height, DROP COLUMN mimetype, DROP COLUMN thumfor;
ALTER TABLE {prefix}sort DROP COLUMN pid, DROP COLUMN description, DROP COLUMN template;
ALTER TABLE {prefix}user DROP COLUMN ischeck;
ALTER TABLE {prefix}twitter DROP COLUMN img;
-- 4.3's menu items are their addresses, emlog's own marked isdefault; what was under another item
-- stands at the top.
UPDATE {prefix}navi SET url='t' WHERE type=2;
UPDATE {prefix}navi SET url=CONCAT('?sort=', type_id) WHERE type=4;
UPDATE {prefix}navi SET url=CONCAT('?post=', type_id) WHERE type=5;
ALTER TABLE {prefix}navi DROP COLUMN pid, DROP COLUMN type, DROP COLUMN type_id;
CREATE TABLE {prefix}trackback (
  tbid int(10) unsigned NOT NULL auto_increment,
  gid int(10) unsigned NOT NULL default '0',
  title varchar(255) NOT NULL default '',
  date bigint(20) NOT NULL,
  excerpt text NOT NULL,
  url varchar(255) NOT NULL default '',
  blog_name varchar(255) NOT NULL default '',
  ip varchar(16) NOT NULL default '',
  PRIMARY KEY (tbid),
  KEY gid (gid)
) ENGINE=MyISAM DEFAULT CHARSET={charset};
INSERT INTO {prefix}trackback (tbid, gid, title, date, excerpt, url, blog_name, ip) VALUES
  (1, 6, 'MariaDB 也装好了', 1278000000, '跟着装了一遍 & 成功', 'http://other.example.org/mariadb', '隔壁的博客', '192.0.2.1'),
  (2, 6, '<b>转载</b>', 1278003600, '摘要 <script>alert(1)</script>', 'http://third.example.com/?p=6', 'Tom\'s "Blog"', '192.0.2.2');
UPDATE {prefix}blog SET tbcount=2 WHERE gid=6;
