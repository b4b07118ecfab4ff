-- Turns emlog pro's tables (emlog-schema.sql) into emlog 6.x's: the columns pro
-- added go, and the title is as long as it was before pro.
ALTER TABLE {prefix}blog MODIFY title varchar(255) NOT NULL default '',
  DROP COLUMN cover, DROP COLUMN link, DROP COLUMN parent_id, DROP COLUMN like_count,
  DROP COLUMN dislike_count, DROP COLUMN collect_count;
DROP TABLE {prefix}blog_fields;
-- 5.x had 微语 too, without pro's columns; emlog-6-only.sql takes them from 6.x.
ALTER TABLE {prefix}twitter DROP COLUMN like_count, DROP COLUMN private, DROP COLUMN top, DROP COLUMN ip;
DELETE FROM {prefix}reply WHERE islike='y';
ALTER TABLE {prefix}reply DROP COLUMN uid, DROP COLUMN islike;
ALTER TABLE {prefix}comment DROP COLUMN uid, DROP COLUMN avatar, DROP COLUMN agent;
ALTER TABLE {prefix}sort DROP COLUMN kw, DROP COLUMN sortimg;
ALTER TABLE {prefix}user DROP COLUMN ip, DROP COLUMN state, DROP COLUMN credits,
  DROP COLUMN create_time, DROP COLUMN update_time;
-- pro's uploader, tag description, link icon and template settings.
ALTER TABLE {prefix}attachment DROP COLUMN author;
ALTER TABLE {prefix}tag DROP COLUMN description;
ALTER TABLE {prefix}link DROP COLUMN icon;
DROP TABLE {prefix}tpl_options_data;
